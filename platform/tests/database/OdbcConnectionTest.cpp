#include "support/ScriptedTdsPeer.h"

#include "base/Error.h"
#include "platform/database/linux/OdbcConnection.h"

#include <QDate>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>

using tavor::Error;
using tavor::OdbcConnection;
using Reply = ScriptedTdsPeer::Reply;
using Clock = std::chrono::steady_clock;

namespace {

QString connectionString(const ScriptedTdsPeer& peer, const QString& user = QStringLiteral("sa"),
                         const QString& password = QStringLiteral("secret")) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=TAVOR_07;"
                          "Data Source=127.0.0.1,%3")
        .arg(password, user)
        .arg(peer.port());
}

// Runs `action`, which must raise, and hands back the error it raised.
template <typename Action> Error errorOf(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error was raised";
    return Error(0, QString());
}

QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

template <typename T> QByteArray bytesOf(T value) {
    QByteArray bytes(sizeof(T), Qt::Uninitialized);
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class OdbcConnectionTest : public ::testing::Test {
protected:
    void openConnection() { connection.open(connectionString(peer)); }

    ScriptedTdsPeer peer;
    OdbcConnection connection;
};

} // namespace

// Guards against credentials mangled on the way from the window's string to the login
// packet: a password with ';', braces and a blank must arrive exactly as written.
TEST_F(OdbcConnectionTest, LoginCarriesUserPasswordAndDatabaseUnchanged) {
    const QString password = QStringLiteral("p;w}d{x 1}");
    peer.requireLogin(QStringLiteral("branch user"), password);
    connection.open(QStringLiteral("Provider=SQLOLEDB.1;Password=\"%1\";User ID=branch user;"
                                   "Initial Catalog=TAVOR_07;Data Source=127.0.0.1,%2")
                        .arg(password)
                        .arg(peer.port()));
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(peer.lastLogin().user, QStringLiteral("branch user"));
    EXPECT_EQ(peer.lastLogin().password, password);
    EXPECT_EQ(peer.lastLogin().database, QStringLiteral("TAVOR_07"));
}

// Guards against a refused login reported without the server's number, or with the password.
TEST_F(OdbcConnectionTest, RefusedLoginRaisesTheServerNumberWithoutThePassword) {
    peer.requireLogin(QStringLiteral("sa"), QStringLiteral("right"));
    const Error error = errorOf([&] {
        connection.open(connectionString(peer, QStringLiteral("sa"), QStringLiteral("Wr0ngPass")));
    });
    EXPECT_EQ(error.number(), 18456);
    EXPECT_TRUE(error.description().contains(QStringLiteral("Login failed for user 'sa'")))
        << error.description().toStdString();
    EXPECT_FALSE(error.description().contains(QStringLiteral("Wr0ngPass")));
    EXPECT_FALSE(connection.isOpen());
}

// Guards against Arabic text garbled between the server and the program.
TEST_F(OdbcConnectionTest, ScalarComesBackAsUnicodeText) {
    const QString bank = QStringLiteral("البنك العربي - فرع رام الله");
    peer.script(QStringLiteral("Sys_BankName"), Reply::scalar(bank));
    peer.script(QStringLiteral("Sys_Nothing"), Reply::noRows());
    openConnection();

    const auto value = connection.readFirstValue(
        QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'Sys_BankName')"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->toString(), bank);

    // Longer than one piece the driver hands over at a time.
    const QString path = QStringLiteral("\\\\فرع\\نسخ").repeated(400);
    peer.script(QStringLiteral("Sys_Backup_Path"), Reply::scalar(path));
    EXPECT_EQ(connection
                  .readFirstValue(QStringLiteral(
                      "SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'Sys_Backup_Path')"))
                  ->toString(),
              path);

    EXPECT_FALSE(connection
                     .readFirstValue(QStringLiteral(
                         "SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'Sys_Nothing')"))
                     .has_value());
}

// Guards against a server error losing its number, or leaving the connection unusable.
TEST_F(OdbcConnectionTest, ServerErrorRaisesItsNumberAndText) {
    peer.script(QStringLiteral("ORV_Missing"),
                Reply::error(208, QStringLiteral("Invalid object name 'ORV_Missing'.")));
    peer.script(QStringLiteral("SELECT 1"), Reply::scalar(QStringLiteral("1")));
    openConnection();

    const Error error =
        errorOf([&] { connection.execute(QStringLiteral("DELETE FROM ORV_Missing")); });
    EXPECT_EQ(error.number(), 208);
    EXPECT_EQ(error.description(), QStringLiteral("Invalid object name 'ORV_Missing'."));

    EXPECT_EQ(connection.readFirstValue(QStringLiteral("SELECT 1"))->toString(),
              QStringLiteral("1"));
}

// Guards against a backup cut short after its first progress message: every result is read,
// and an error that arrives after several progress results still raises with its number.
TEST_F(OdbcConnectionTest, BackupProgressResultsAreDrainedAndALateErrorRaises) {
    peer.script(QStringLiteral("TAVOR_SG"), Reply::backupLike(5));
    peer.script(QStringLiteral("TAVOR_HS"), Reply::backupLike(4, 3201));
    peer.script(QStringLiteral("SELECT 1"), Reply::scalar(QStringLiteral("1")));
    openConnection();

    connection.execute(
        QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = 'D:\\b\\TAVOR_SG.bak' WITH INIT"));
    EXPECT_EQ(connection.readFirstValue(QStringLiteral("SELECT 1"))->toString(),
              QStringLiteral("1"));

    const Error error = errorOf([&] {
        connection.execute(
            QStringLiteral("BACKUP DATABASE TAVOR_HS TO DISK = 'X:\\nowhere\\x.bak' WITH INIT"));
    });
    EXPECT_EQ(error.number(), 3201);
    EXPECT_TRUE(error.description().contains(QStringLiteral("Cannot open backup device")));
    EXPECT_TRUE(error.description().contains(QStringLiteral("terminating abnormally")));
}

// Guards against a statement that hangs for ever: the command time-out cancels it, the error
// says so, and the connection serves the next statement.
TEST_F(OdbcConnectionTest, CommandTimeoutCancelsAStatementThatNeverAnswers) {
    peer.script(QStringLiteral("WAITFOR"), Reply::silence());
    peer.script(QStringLiteral("SELECT 1"), Reply::scalar(QStringLiteral("1")));
    openConnection();
    connection.setCommandTimeout(1);

    const auto start = Clock::now();
    const Error error =
        errorOf([&] { connection.execute(QStringLiteral("WAITFOR DELAY '01:00:00'")); });
    EXPECT_LT(secondsSince(start), 10.0);
    EXPECT_EQ(error.number(), tavor::ErrorNumber::ProviderError);
    EXPECT_TRUE(error.description().contains(QStringLiteral("timeout"), Qt::CaseInsensitive))
        << error.description().toStdString();
    EXPECT_TRUE(peer.attentionReceived());

    EXPECT_EQ(connection.readFirstValue(QStringLiteral("SELECT 1"))->toString(),
              QStringLiteral("1"));
}

// Guards against the login time-out also limiting statements: a long backup with no command
// time-out must not be cut off after the login time-out.
TEST(OdbcConnectionTimeouts, LoginTimeoutDoesNotLimitALongStatement) {
    ScriptedTdsPeer peer;
    peer.script(QStringLiteral("SLOW"),
                Reply::delayed(std::chrono::milliseconds(2500), QStringLiteral("done")));
    OdbcConnection connection(1);
    connection.open(connectionString(peer));
    connection.setCommandTimeout(0);
    EXPECT_EQ(connection.readFirstValue(QStringLiteral("SELECT 'SLOW'"))->toString(),
              QStringLiteral("done"));
}

// Guards against a server that takes the connection but never answers holding start-up for
// ever: the open gives up after the login time-out.
TEST(OdbcConnectionTimeouts, SilentServerFailsAfterTheLoginTimeout) {
    ScriptedTdsPeer peer;
    peer.ignoreHandshakes();
    OdbcConnection connection(1);
    const auto start = Clock::now();
    const Error error = errorOf([&] { connection.open(connectionString(peer)); });
    EXPECT_LT(secondsSince(start), 10.0);
    EXPECT_FALSE(error.description().isEmpty());
    EXPECT_FALSE(connection.isOpen());
}

// Guards against start-up waiting twice for a server that did not answer: a login to
// a server whose last login has just timed out fails at once.
TEST(OdbcConnectionTimeouts, ServerThatJustTimedOutIsNotWaitedForAgain) {
    ScriptedTdsPeer peer;
    peer.ignoreHandshakes();
    OdbcConnection first(2);
    EXPECT_THROW(first.open(connectionString(peer)), Error);
    OdbcConnection second(2);
    const auto start = Clock::now();
    EXPECT_THROW(second.open(connectionString(peer)), Error);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_FALSE(second.isOpen());
}

// Guards against a refused TCP connection reported as anything but a failed open.
TEST(OdbcConnectionTimeouts, UnreachableServerFailsToOpen) {
    OdbcConnection connection(2);
    const auto start = Clock::now();
    const Error error = errorOf([&] {
        connection.open(QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=sa;"
                                       "Initial Catalog=TAVOR_07;Data Source=127.0.0.1,1"));
    });
    EXPECT_LT(secondsSince(start), 10.0);
    EXPECT_FALSE(error.description().isEmpty());
    EXPECT_FALSE(connection.isOpen());
}

// Guards against parameters pasted or dropped: each bound value reaches the server in the
// request, typed, not as part of the statement text.
TEST_F(OdbcConnectionTest, BoundParametersTravelWithTheRequest) {
    openConnection();
    const QString value = QStringLiteral("قيمة ' ; -- جديدة");
    connection.execute(
        QStringLiteral("UPDATE ORV_System_Values SET SV_Value = ? WHERE SV_Name = ? AND 1 = ? "
                       "AND 2 = ? AND 3 = ? AND 4 = ?"),
        {value, QStringLiteral("Sys_Last_HS_Backup_Date"), qlonglong(4294967298LL), 2.5, QVariant(),
         QDate(2026, 12, 6)});

    ASSERT_FALSE(peer.requests().isEmpty());
    const QByteArray request = peer.requests().last();
    EXPECT_TRUE(request.contains(utf16(value)));
    EXPECT_TRUE(request.contains(utf16(QStringLiteral("Sys_Last_HS_Backup_Date"))));
    EXPECT_TRUE(request.contains(bytesOf<qint64>(4294967298LL)));
    EXPECT_TRUE(request.contains(bytesOf<double>(2.5)));
    EXPECT_FALSE(request.contains(utf16(QStringLiteral("SV_Value = '"))));
}

// Guards against statements silently accepted on a connection that was never opened.
TEST(OdbcConnectionState, StatementsOnAClosedConnectionRaise) {
    OdbcConnection connection;
    EXPECT_EQ(errorOf([&] { connection.execute(QStringLiteral("SELECT 1")); }).number(), 3704);
    EXPECT_EQ(errorOf([&] { connection.readFirstValue(QStringLiteral("SELECT 1")); }).number(),
              3704);
    EXPECT_EQ(connection.commandTimeout(), OdbcConnection::DefaultCommandTimeout);
}
