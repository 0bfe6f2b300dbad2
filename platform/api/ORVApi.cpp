#include "platform/api/ORVApi.h"
#include "platform/api/AccessCode.h"

#include "base/Error.h"
#include "platform/api/TokenCipher.h"
#include "platform/ini/IniFile.h"

namespace tavor {

namespace {} // namespace

ORVApi::ORVApi(std::shared_ptr<RegistryStore> registry) : registry_(std::move(registry)) {}

void ORVApi::setOpenKey(const QString& accessCode) {
    open_ = accessCode == QLatin1String(AccessCode);
}

void ORVApi::requireOpen() const {
    if (!open_)
        throw Error(ErrorNumber::PermissionDenied,
                    QStringLiteral("The API object has not been given its access code"));
}

RegistryStore& ORVApi::registry() const {
    requireOpen();
    if (!registry_)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No registry store"));
    return *registry_;
}

QString ORVApi::RegestryObject::get_String(const QString& keyPath, const QString& valueName) {
    return api_.registry().value(keyPath, valueName).value_or(QString());
}

void ORVApi::RegestryObject::Set_String(const QString& keyPath, const QString& valueName,
                                        const QString& text) {
    api_.registry().setValue(keyPath, valueName, text);
}

void ORVApi::InIFileObject::setFileName(const QString& path) {
    api_.requireOpen();
    fileName_ = path;
}

QString ORVApi::InIFileObject::FileName() const {
    api_.requireOpen();
    return fileName_;
}

QString ORVApi::InIFileObject::GetIniFile(const QString& section, const QString& key) {
    api_.requireOpen();
    return IniFile(fileName_).value(section, key).value_or(QString());
}

void ORVApi::InIFileObject::SetIniFile(const QString& section, const QString& key,
                                       const QString& value) {
    api_.requireOpen();
    IniFile(fileName_).setValue(section, key, value);
}

QString ORVApi::SecretObject::SimpleSecrit(const QString& token) {
    api_.requireOpen();
    return TokenCipher::decipher(token);
}

} // namespace tavor
