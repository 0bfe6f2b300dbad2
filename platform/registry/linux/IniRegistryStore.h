#pragma once

#include "platform/registry/RegistryStore.h"

#include <QString>

namespace tavor {

// The registry on Linux: one UTF-8 INI file per hive in one folder
// ("HKEY_CURRENT_USER.ini", "HKEY_LOCAL_MACHINE.ini"); a section is the key path
// below the hive, an entry is "name=value". Hives may be written in their short
// form (HKCU, HKLM). Every read goes to the file, since other programs may write it.
class IniRegistryStore : public RegistryStore {
public:
    explicit IniRegistryStore(QString folder);

    // $ORV_REGISTRY_DIR, else $XDG_CONFIG_HOME/ORV/registry, else ~/.config/ORV/registry.
    static QString defaultFolder();

    const QString& folder() const { return folder_; }

    std::optional<QString> value(const QString& keyPath, const QString& name) const override;
    QList<std::pair<QString, QString>> values(const QString& keyPath) const override;
    void setValue(const QString& keyPath, const QString& name, const QString& value) override;

private:
    struct Location {
        QString file; // empty when the hive is unknown
        QString section;
    };
    Location locate(const QString& keyPath) const;

    QString folder_;
};

} // namespace tavor
