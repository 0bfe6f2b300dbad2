#include "base/Error.h"
#include "embeddedserver/EmbeddedBackup.h"
#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/database/RoutingDatabaseProvider.h"
#include "support/EmbeddedRoute.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The seeded branch's registry entries, read as plain INI text.
QString iniValue(const QString& file, const QString& section, const QString& name) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    QString current;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            current = line.mid(1, line.size() - 2);
        } else if (current == section && line.startsWith(name + QLatin1Char('='))) {
            return line.mid(name.size() + 1);
        }
    }
    return {};
}

} // namespace

// A seeded demo branch must be usable as it stands: the registry points at the
// server, the system values, databases and files that start-up looks for exist.
class DemoBranchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/branch-XXXXXX"));
        QProcess seeder;
        seeder.start(
            QStringLiteral("python3"),
            {QStringLiteral(TAVOR_SOURCE_DIR "/tools/demo/seed-demo-branch"), dir_->path()});
        seeder.waitForFinished(120000);
        seededOk_ = seeder.exitStatus() == QProcess::NormalExit && seeder.exitCode() == 0;
    }
    static void TearDownTestSuite() { delete dir_; }

    void SetUp() override { ASSERT_TRUE(seededOk_); }

    QString path(const QString& relative) const { return QDir(dir_->path()).filePath(relative); }

    static QTemporaryDir* dir_;
    static bool seededOk_;
};

QTemporaryDir* DemoBranchTest::dir_ = nullptr;
bool DemoBranchTest::seededOk_ = false;

TEST_F(DemoBranchTest, RegistryPointsAtTheBranchDatabaseAndTheExtraDrive) {
    const QString user = path(QStringLiteral("registry/HKEY_CURRENT_USER.ini"));
    const QString server = iniValue(user, QStringLiteral("Software\\ORV\\Tavor"), "_Server");
    ASSERT_TRUE(server.startsWith(QStringLiteral("embedded:")));
    EXPECT_TRUE(QFileInfo(server.mid(9) + QStringLiteral("/TAVOR_07.db")).isFile());
    EXPECT_EQ(iniValue(user, QStringLiteral("Software\\ORV\\Tavor"), "_DBase"),
              QStringLiteral("TAVOR_07"));
    const QString machine = path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini"));
    EXPECT_EQ(iniValue(machine, QStringLiteral("SOFTWARE\\ORV\\Tavor\\Drives"), path("usb")),
              QStringLiteral("2"));
    EXPECT_TRUE(QFileInfo(path("usb/.tavor-target")).isFile()) << "the removable folder is a drive";
}

TEST_F(DemoBranchTest, BankLibraryReadsTheBranchAndFindsItsFiles) {
    tavor::ORV_Bank bank(
        std::make_shared<tavor::RoutingDatabaseProvider>(tavor::test::embeddedRoute(), nullptr),
        nullptr);
    QString server = QStringLiteral("embedded:") + path("server");
    QString database = QStringLiteral("TAVOR_07");
    bank.System().OpenConnection(server, database);
    const auto value = [&](const char* name) {
        return bank.System().SystemValue_Get(QString::fromLatin1(name)).toString();
    };
    EXPECT_FALSE(value("Sys_BankName").isEmpty());
    EXPECT_EQ(value("Sys_BranchType"), QStringLiteral("فرع"));
    EXPECT_EQ(value("Sys_BranchNum"), QStringLiteral("7"));
    EXPECT_EQ(bank.Business_Date().toDate(), QDate(2026, 12, 7));
    EXPECT_EQ(value("Sys_BusinessDate_Prev"), QStringLiteral("2026-12-06"));

    const QString backupPath = value("Sys_Backup_Path");
    EXPECT_TRUE(backupPath.toUpper().contains(QStringLiteral("TAVOR")));
    EXPECT_TRUE(QFileInfo(value("Sys_Last_Backup_Tavor")).isFile());
    EXPECT_EQ(QDir(backupPath).entryList({QStringLiteral("TAVOR_07*b*.*")}, QDir::Files).size(), 3);
    // Both the Varnel folder beside the backups and the general-accounts path
    // lead to the file F + 007 + 20 + 07.
    const QString beforeTavor =
        backupPath.left(backupPath.toUpper().indexOf(QStringLiteral("TAVOR")));
    EXPECT_TRUE(
        QFileInfo(beforeTavor + QStringLiteral("Tavor/Varnel/F0072007/F0072007.mdb")).isFile());
    EXPECT_TRUE(
        QFileInfo(value("Sys_Fina_Path") + QStringLiteral("/F0072007/F0072007.mdb")).isFile());
}

TEST_F(DemoBranchTest, SatelliteDatabasesExistAndBackUp) {
    tavor::RoutingDatabaseProvider provider(tavor::test::embeddedRoute(), nullptr);
    auto db = provider.createConnection();
    db->open(QStringLiteral("Provider=SQLOLEDB.1;Password=;User ID=;Initial Catalog=TAVOR_07;"
                            "Data Source=embedded:%1")
                 .arg(path("server")));
    EXPECT_EQ(db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM master.dbo.sysdatabases "
                                                "WHERE (name = N'LCS_007')"))
                  ->toLongLong(),
              1);
    qint64 total = 0;
    for (const char* name : {"TAVOR_07", "LCS_007", "TAVOR_HS", "TAVOR_SG"}) {
        total += QFileInfo(path("server/") + QLatin1String(name) + QStringLiteral(".db")).size();
    }
    EXPECT_GT(total, 30 * 1024 * 1024);
    db->setCommandTimeout(3000);
    const QString bak = path("Tavor/Backup/TAVOR_SG.bak");
    db->execute(QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = '%1' WITH INIT , "
                               "MEDIAPASSWORD='m3dia'")
                    .arg(bak));
    EXPECT_GT(QFileInfo(bak).size(), 20 * 1024 * 1024);
    EXPECT_TRUE(tavor::EmbeddedBackup::matchesMediaPassword(bak, QStringLiteral("m3dia")));
}

// The drill restores the main backups the demo leaves in the backup folder: they must
// be backups as the embedded server writes them, opened by the program's own media
// password (the seeder deciphers its token on its own, and could get it wrong).
TEST_F(DemoBranchTest, MainBackupsAreServerBackupsUnderTheProgramsMediaPassword) {
    const QString bak = path("Tavor/Backup/TAVOR_07_backup_2026_12_06_230000_0000042.bak");
    const QString password = tavor::TokenCipher::decipher(tavor::StoredTokens::MediaPassword);
    EXPECT_TRUE(tavor::EmbeddedBackup::matchesMediaPassword(bak, password));
    EXPECT_NO_THROW(tavor::EmbeddedBackup::verify({bak, false, password}));
}
