#pragma once

#include "platform/database/DatabaseConnection.h"
#include "platform/registry/RegistryStore.h"

#include <QString>
#include <QVariant>
#include <memory>

namespace tavor {

// The member System of the bank library: its login, its own link to the branch
// database and the branch's system values in ORV_System_Values.
class BankSystem {
public:
    BankSystem(std::shared_ptr<DatabaseProvider> provider, std::shared_ptr<RegistryStore> registry);

    // With the right access code fills the login from the library's own settings
    // (both empty when none are stored) and returns true; otherwise leaves both
    // unchanged and returns false.
    bool GetLogin(QString& userId, QString& password, const QString& accessCode);

    // Opens the library's own connection with the stored login, or the decoded
    // default login when no password is stored; raises tavor::Error when it cannot.
    void OpenConnection(QString& serverName, QString& databaseName);

    // The value's text, empty when unset.
    QVariant SystemValue_Get(const QString& name);
    // Stores text; a date is stored as "yyyy-mm-dd".
    void SystemValue_Set(const QString& name, const QVariant& value);

    static const QString& settingsKey();

private:
    DatabaseConnection& connection();
    QString storedLogin(const QString& valueName) const;

    std::shared_ptr<DatabaseProvider> provider_;
    std::shared_ptr<RegistryStore> registry_;
    std::unique_ptr<DatabaseConnection> connection_;
};

} // namespace tavor
