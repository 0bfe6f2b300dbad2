#include "platform/bank/ORV_Bank.h"
#include "base/Error.h"
#include "platform/database/RoutingDatabaseProvider.h"
#include "support/EmbeddedRoute.h"
#include "support/SqliteFile.h"

#include <QDate>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class MemoryRegistry : public tavor::RegistryStore {
public:
    std::optional<QString> value(const QString& key, const QString& name) const override {
        const auto found = values_.constFind((key + QLatin1Char('|') + name).toLower());
        return found == values_.constEnd() ? std::nullopt : std::optional<QString>(*found);
    }
    QList<std::pair<QString, QString>> values(const QString&) const override { return {}; }
    void setValue(const QString& key, const QString& name, const QString& value) override {
        values_.insert((key + QLatin1Char('|') + name).toLower(), value);
    }

private:
    QMap<QString, QString> values_;
};

// Records the connection string instead of connecting.
class CapturingProvider : public tavor::DatabaseProvider {
public:
    std::unique_ptr<tavor::DatabaseConnection> createConnection() override {
        return std::make_unique<tavor::RoutingConnection>(tavor::test::embeddedRoute(), [this] {
            struct Capture : tavor::DatabaseConnection {
                explicit Capture(QString* into) : into_(into) {}
                void open(const QString& cs) override { *into_ = cs; }
                void close() override {}
                bool isOpen() const override { return true; }
                void setCommandTimeout(int) override {}
                int commandTimeout() const override { return 0; }
                void execute(const QString&, const QList<QVariant>&) override {}
                std::optional<QVariant> readFirstValue(const QString&,
                                                       const QList<QVariant>&) override {
                    return std::nullopt;
                }
                QString* into_;
            };
            return std::make_unique<Capture>(&opened);
        });
    }
    QString opened;
};

long errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const tavor::Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class ORV_BankTest : public ::testing::Test {
protected:
    void SetUp() override {
        SqliteFile branch(QDir(dir.path()).filePath(QStringLiteral("TAVOR_07.db")));
        branch.exec(QStringLiteral(
            "CREATE TABLE ORV_System_Values (SV_Name TEXT, SV_Value TEXT);"
            "INSERT INTO ORV_System_Values VALUES ('Sys_BusinessDate', '2026-12-07');"));
    }

    tavor::ORV_Bank openBank() {
        tavor::ORV_Bank bank(
            std::make_shared<tavor::RoutingDatabaseProvider>(tavor::test::embeddedRoute(), nullptr),
            registry);
        QString server = QStringLiteral("embedded:") + dir.path();
        QString database = QStringLiteral("tavor_07");
        bank.System().OpenConnection(server, database);
        return bank;
    }

    QVariant stored(const QString& name) {
        SqliteFile branch(QDir(dir.path()).filePath(QStringLiteral("TAVOR_07.db")));
        return branch.scalar(
            QStringLiteral("SELECT group_concat(SV_Value, '|') FROM ORV_System_Values WHERE "
                           "SV_Name = '%1'")
                .arg(name));
    }

    QTemporaryDir dir;
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
};

// The login is given out only for the right access code.
TEST_F(ORV_BankTest, GetLoginNeedsTheAccessCode) {
    registry->setValue(tavor::BankSystem::settingsKey(), "UserID", "tavor");
    registry->setValue(tavor::BankSystem::settingsKey(), "Password", "p;w");
    tavor::ORV_Bank bank(
        std::make_shared<tavor::RoutingDatabaseProvider>(tavor::test::embeddedRoute(), nullptr),
        registry);
    QString user = QStringLiteral("keep");
    QString password;
    EXPECT_FALSE(bank.System().GetLogin(user, password, QStringLiteral("418266")));
    EXPECT_EQ(user, QStringLiteral("keep"));
    EXPECT_TRUE(bank.System().GetLogin(user, password, QStringLiteral("418265")));
    EXPECT_EQ(user, QStringLiteral("tavor"));
    EXPECT_EQ(password, QStringLiteral("p;w"));
}

TEST_F(ORV_BankTest, GetLoginIsEmptyWithoutSettings) {
    tavor::ORV_Bank bank(
        std::make_shared<tavor::RoutingDatabaseProvider>(tavor::test::embeddedRoute(), nullptr),
        registry);
    QString user = QStringLiteral("x");
    QString password = QStringLiteral("y");
    bank.System().GetLogin(user, password, QStringLiteral("418265"));
    EXPECT_TRUE(user.isEmpty());
    EXPECT_TRUE(password.isEmpty());
}

// The library's own link carries its own login, and a password with ';' cannot
// spill into other fields.
TEST_F(ORV_BankTest, OpenConnectionBuildsItsOwnConnectionString) {
    registry->setValue(tavor::BankSystem::settingsKey(), "UserID", "tavor");
    registry->setValue(tavor::BankSystem::settingsKey(), "Password", "a;Data Source=evil");
    auto provider = std::make_shared<CapturingProvider>();
    tavor::ORV_Bank bank(provider, registry);
    QString server = QStringLiteral("BRANCH7");
    QString database = QStringLiteral("TAVOR_07");
    bank.System().OpenConnection(server, database);
    EXPECT_EQ(provider->opened,
              QStringLiteral("Provider=SQLOLEDB.1;Password=\"a;Data Source=evil\";User ID=tavor;"
                             "Initial Catalog=TAVOR_07;Data Source=BRANCH7"));
}

TEST_F(ORV_BankTest, EveryValueCallBeforeOpenConnectionFails) {
    tavor::ORV_Bank bank(
        std::make_shared<tavor::RoutingDatabaseProvider>(tavor::test::embeddedRoute(), nullptr),
        registry);
    EXPECT_NE(errorOf([&] { bank.System().SystemValue_Get("Sys_BusinessDate"); }), 0);
    EXPECT_NE(errorOf([&] { bank.System().SystemValue_Set("Sys_X", "1"); }), 0);
    EXPECT_NE(errorOf([&] { bank.Business_Date(); }), 0);
}

// Set inserts a new value once and then updates it in place; dates are stored
// as yyyy-mm-dd; a value with quotes is stored verbatim.
TEST_F(ORV_BankTest, SystemValueSetInsertsThenUpdates) {
    tavor::ORV_Bank bank = openBank();
    EXPECT_EQ(bank.System().SystemValue_Get("Sys_Last_HS_Backup_Date").toString(), QString());
    bank.System().SystemValue_Set("Sys_Last_HS_Backup_Date", QDate(2026, 12, 1));
    bank.System().SystemValue_Set("Sys_Last_HS_Backup_Date", QDate(2026, 12, 7));
    EXPECT_EQ(stored("Sys_Last_HS_Backup_Date").toString(), QStringLiteral("2026-12-07"));
    const QString quoted = QStringLiteral("it's'); DELETE FROM ORV_System_Values; --");
    bank.System().SystemValue_Set("Sys_Note'", quoted);
    EXPECT_EQ(bank.System().SystemValue_Get("Sys_Note'").toString(), quoted);
    EXPECT_EQ(stored("Sys_BusinessDate").toString(), QStringLiteral("2026-12-07"));
    bank.System().SystemValue_Set("Sys_Last_HS_Backup_Date", QString());
    EXPECT_EQ(bank.System().SystemValue_Get("Sys_Last_HS_Backup_Date").toString(), QString());
}

TEST_F(ORV_BankTest, BusinessDateIsADate) {
    tavor::ORV_Bank bank = openBank();
    EXPECT_EQ(bank.Business_Date().toDate(), QDate(2026, 12, 7));
    bank.System().SystemValue_Set("Sys_BusinessDate", QStringLiteral("2026/12/08"));
    EXPECT_EQ(bank.Business_Date().toDate(), QDate(2026, 12, 8));
    bank.System().SystemValue_Set("Sys_BusinessDate", QStringLiteral("soon"));
    EXPECT_EQ(errorOf([&] { bank.Business_Date(); }), 13);
}
