#include "platform/bank/BankSystem.h"
#include "platform/api/AccessCode.h"
#include "platform/registry/RegistryKeys.h"

#include "base/Error.h"
#include "formats/connectionstring/ConnectionString.h"
#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"

#include <QDate>
#include <QDateTime>

namespace tavor {

namespace {

// Every statement binds its values; nothing is pasted into the text.
const QString kSelectValue =
    QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = ?)");
const QString kCountValue =
    QStringLiteral("SELECT COUNT(*) FROM ORV_System_Values WHERE (SV_Name = ?)");
const QString kUpdateValue =
    QStringLiteral("UPDATE ORV_System_Values SET SV_Value = ? WHERE (SV_Name = ?)");
const QString kInsertValue =
    QStringLiteral("INSERT INTO ORV_System_Values (SV_Name, SV_Value) VALUES (?, ?)");

QString storedText(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate) {
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd"));
    }
    return value.toString();
}

} // namespace

BankSystem::BankSystem(std::shared_ptr<DatabaseProvider> provider,
                       std::shared_ptr<RegistryStore> registry)
    : provider_(std::move(provider)), registry_(std::move(registry)) {}

const QString& BankSystem::settingsKey() {
    return RegistryKeys::Banks;
}

bool BankSystem::GetLogin(QString& userId, QString& password, const QString& accessCode) {
    if (accessCode != QLatin1String(AccessCode)) {
        return false;
    }
    userId = storedLogin(QStringLiteral("UserID"));
    password = storedLogin(QStringLiteral("Password"));
    return true;
}

void BankSystem::OpenConnection(QString& serverName, QString& databaseName) {
    QString userId = storedLogin(QStringLiteral("UserID"));
    QString password = storedLogin(QStringLiteral("Password"));
    // Like the window: without a stored password both halves of the login are the
    // decoded defaults.
    if (password.isEmpty()) {
        userId = TokenCipher::decipher(StoredTokens::DatabaseUser);
        password = TokenCipher::decipher(StoredTokens::DatabasePassword);
    }
    const QString text =
        QStringList{
            ConnectionString::field(QStringLiteral("Provider"), QStringLiteral("SQLOLEDB.1")),
            ConnectionString::field(QStringLiteral("Password"), password),
            ConnectionString::field(QStringLiteral("User ID"), userId),
            ConnectionString::field(QStringLiteral("Initial Catalog"), databaseName),
            ConnectionString::field(QStringLiteral("Data Source"), serverName),
        }
            .join(QLatin1Char(';'));
    std::unique_ptr<DatabaseConnection> opened = provider_->createConnection();
    opened->open(text);
    connection_ = std::move(opened);
}

QVariant BankSystem::SystemValue_Get(const QString& name) {
    const std::optional<QVariant> value = connection().readFirstValue(kSelectValue, {name});
    if (!value || value->isNull()) {
        return QString();
    }
    return value->toString();
}

void BankSystem::SystemValue_Set(const QString& name, const QVariant& value) {
    DatabaseConnection& db = connection();
    const QString text = storedText(value);
    const qlonglong rows = db.readFirstValue(kCountValue, {name}).value_or(0).toLongLong();
    if (rows > 0) {
        db.execute(kUpdateValue, {text, name});
    } else {
        db.execute(kInsertValue, {name, text});
    }
}

DatabaseConnection& BankSystem::connection() {
    if (!connection_) {
        throw Error(ErrorNumber::ObjectRequired,
                    QStringLiteral("The bank library has no database connection: "
                                   "OpenConnection has not been called."));
    }
    return *connection_;
}

QString BankSystem::storedLogin(const QString& valueName) const {
    return registry_ ? registry_->value(settingsKey(), valueName).value_or(QString()) : QString();
}

} // namespace tavor
