#include "support/ScriptedTdsPeer.h"

#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/database/linux/OdbcDatabaseProvider.h"
#include "support/MemoryRegistryStore.h"

#include <gtest/gtest.h>

namespace {

class BankLoginTest : public ::testing::Test {
protected:
    void openBank() {
        tavor::ORV_Bank bank(std::make_shared<tavor::OdbcDatabaseProvider>(), registry);
        QString server = QStringLiteral("127.0.0.1,%1").arg(peer.port());
        QString database = QStringLiteral("TAVOR_07");
        bank.System().OpenConnection(server, database);
    }

    ScriptedTdsPeer peer;
    std::shared_ptr<tavor::MemoryRegistryStore> registry =
        std::make_shared<tavor::MemoryRegistryStore>();
};

} // namespace

// Guards against the bank library logging in to a real server with an empty user and
// password when it has no login of its own, while the window uses the decoded defaults.
TEST_F(BankLoginTest, WithoutAStoredLoginTheDecodedDefaultsLogIn) {
    const QString user = tavor::TokenCipher::decipher(tavor::StoredTokens::DatabaseUser);
    const QString password = tavor::TokenCipher::decipher(tavor::StoredTokens::DatabasePassword);
    peer.requireLogin(user, password);
    EXPECT_NO_THROW(openBank());
    EXPECT_EQ(peer.lastLogin().user, user);
    EXPECT_EQ(peer.lastLogin().password, password);
}

// Guards against the defaults overriding a login the library has stored.
TEST_F(BankLoginTest, AStoredLoginWins) {
    registry->setValue(tavor::BankSystem::settingsKey(), QStringLiteral("UserID"),
                       QStringLiteral("branch"));
    registry->setValue(tavor::BankSystem::settingsKey(), QStringLiteral("Password"),
                       QStringLiteral("p;w d"));
    peer.requireLogin(QStringLiteral("branch"), QStringLiteral("p;w d"));
    EXPECT_NO_THROW(openBank());
    EXPECT_EQ(peer.lastLogin().user, QStringLiteral("branch"));
}
