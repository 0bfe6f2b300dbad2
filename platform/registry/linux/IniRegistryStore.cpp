#include "platform/registry/linux/IniRegistryStore.h"

#include "base/Error.h"
#include "platform/ini/IniFile.h"

#include <QDir>

namespace tavor {

namespace {

QString hiveFileName(const QString& hive) {
    const QString upper = hive.trimmed().toUpper();
    if (upper == QLatin1String("HKEY_CURRENT_USER") || upper == QLatin1String("HKCU"))
        return QStringLiteral("HKEY_CURRENT_USER.ini");
    if (upper == QLatin1String("HKEY_LOCAL_MACHINE") || upper == QLatin1String("HKLM"))
        return QStringLiteral("HKEY_LOCAL_MACHINE.ini");
    return {};
}

QString trimBackslashes(QString path) {
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

} // namespace

IniRegistryStore::IniRegistryStore(QString folder) : folder_(std::move(folder)) {}

QString IniRegistryStore::defaultFolder() {
    const QString own = qEnvironmentVariable("ORV_REGISTRY_DIR");
    if (!own.isEmpty())
        return own;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/ORV/registry");
}

IniRegistryStore::Location IniRegistryStore::locate(const QString& keyPath) const {
    const QString path = trimBackslashes(keyPath.trimmed());
    const qsizetype split = path.indexOf(QLatin1Char('\\'));
    const QString file = hiveFileName(split < 0 ? path : path.left(split));
    if (file.isEmpty())
        return {};
    return {folder_ + QLatin1Char('/') + file,
            split < 0 ? QString() : trimBackslashes(path.mid(split + 1))};
}

std::optional<QString> IniRegistryStore::value(const QString& keyPath, const QString& name) const {
    const Location at = locate(keyPath);
    if (at.file.isEmpty())
        return std::nullopt;
    try {
        return IniFile(at.file).value(at.section, name);
    } catch (const Error&) {
        return std::nullopt;
    }
}

QList<std::pair<QString, QString>> IniRegistryStore::values(const QString& keyPath) const {
    const Location at = locate(keyPath);
    if (at.file.isEmpty())
        return {};
    try {
        return IniFile(at.file).entries(at.section);
    } catch (const Error&) {
        return {};
    }
}

void IniRegistryStore::setValue(const QString& keyPath, const QString& name, const QString& value) {
    const Location at = locate(keyPath);
    if (at.file.isEmpty())
        throw Error(ErrorNumber::InvalidProcedureCall,
                    QStringLiteral("Unknown registry hive in \"%1\"").arg(keyPath));
    if (!QDir().mkpath(folder_))
        throw Error(ErrorNumber::PathNotFound,
                    QStringLiteral("Cannot create the registry folder %1").arg(folder_));
    IniFile(at.file).setValue(at.section, name, value);
}

} // namespace tavor
