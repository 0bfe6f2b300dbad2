#include "support/EmbeddedServerFixture.h"

#include "platform/database/RoutingDatabaseProvider.h"
#include "platform/database/SqlErrors.h"
#include "support/EmbeddedRoute.h"

namespace {

// Stands in for the real server's adapter and records what reaches it.
class RecordingConnection : public tavor::DatabaseConnection {
public:
    explicit RecordingConnection(QStringList* log) : log_(log) {}
    void open(const QString& cs) override {
        log_->append(QStringLiteral("open %1 timeout %2").arg(cs).arg(timeout_));
        open_ = true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setCommandTimeout(int seconds) override { timeout_ = seconds; }
    int commandTimeout() const override { return timeout_; }
    void execute(const QString& sql, const QList<QVariant>&) override {
        log_->append(QStringLiteral("execute ") + sql);
    }
    std::optional<QVariant> readFirstValue(const QString& sql, const QList<QVariant>&) override {
        log_->append(QStringLiteral("read ") + sql);
        return QVariant(QStringLiteral("from server"));
    }

private:
    QStringList* log_;
    bool open_ = false;
    int timeout_ = 0;
};

} // namespace

class RoutingDatabaseProviderTest : public EmbeddedServerFixture {
protected:
    tavor::RoutingDatabaseProvider provider{tavor::test::embeddedRoute(), [this] {
                                                ++made;
                                                return std::make_unique<RecordingConnection>(&log);
                                            }};
    QStringList log;
    int made = 0;
};

TEST_F(RoutingDatabaseProviderTest, EmbeddedDataSourceNeverReachesTheServerAdapter) {
    auto db = provider.createConnection();
    db->open(QStringLiteral("Provider=SQLOLEDB.1;initial catalog=TAVOR_07;DATA SOURCE= embedded:%1")
                 .arg(folder()));
    EXPECT_EQ(db->readFirstValue(QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE "
                                                "(SV_Name = 'Sys_BranchNum')"))
                  ->toString(),
              QStringLiteral("7"));
    EXPECT_EQ(made, 0);
}

TEST_F(RoutingDatabaseProviderTest, OtherDataSourcesGoToTheServerWithTheirTimeout) {
    auto db = provider.createConnection();
    db->setCommandTimeout(3000);
    const QString cs = QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=sa;Initial "
                                      "Catalog=TAVOR_07;Data Source=BRANCH7\\SQLEXPRESS");
    db->open(cs);
    EXPECT_EQ(db->readFirstValue(QStringLiteral("SELECT 1"))->toString(),
              QStringLiteral("from server"));
    ASSERT_EQ(made, 1);
    EXPECT_EQ(log.value(0), QStringLiteral("open %1 timeout 3000").arg(cs));
    db->close();
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("SELECT 1")); }),
              tavor::SqlError::ConnectionClosed);
}

TEST_F(RoutingDatabaseProviderTest, WithoutServerAdapterAServerSourceFails) {
    tavor::RoutingDatabaseProvider bare{tavor::test::embeddedRoute(), nullptr};
    auto db = bare.createConnection();
    EXPECT_EQ(errorOf([&] { db->open(QStringLiteral("Data Source=server1")); }),
              tavor::ErrorNumber::ProviderError);
    EXPECT_FALSE(db->isOpen());
}
