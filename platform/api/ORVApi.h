#pragma once

#include "platform/registry/RegistryStore.h"

#include <QString>
#include <memory>

namespace tavor {

// The installation's API object: registry, INI file and token decoding. It serves
// nothing until OpenKey has been given the access code; until then (and after a
// wrong code) every member call raises tavor::Error.
class ORVApi {
public:
    explicit ORVApi(std::shared_ptr<RegistryStore> registry);
    ORVApi(const ORVApi&) = delete;
    ORVApi& operator=(const ORVApi&) = delete;

    void setOpenKey(const QString& accessCode);

    class RegestryObject {
    public:
        // Empty text when the value is absent.
        QString get_String(const QString& keyPath, const QString& valueName);
        // Raises tavor::Error when the value cannot be stored.
        void Set_String(const QString& keyPath, const QString& valueName, const QString& text);

    private:
        friend class ORVApi;
        explicit RegestryObject(ORVApi& api) : api_(api) {}
        ORVApi& api_;
    };

    class InIFileObject {
    public:
        void setFileName(const QString& path);
        QString FileName() const;
        // Empty text when the file, the section or the key is absent.
        QString GetIniFile(const QString& section, const QString& key);
        // Raises tavor::Error when the entry cannot be stored.
        void SetIniFile(const QString& section, const QString& key, const QString& value);

    private:
        friend class ORVApi;
        explicit InIFileObject(ORVApi& api) : api_(api) {}
        ORVApi& api_;
        QString fileName_;
    };

    class SecretObject {
    public:
        QString SimpleSecrit(const QString& token);

    private:
        friend class ORVApi;
        explicit SecretObject(ORVApi& api) : api_(api) {}
        ORVApi& api_;
    };

    RegestryObject& Regestry() { return regestry_; }
    InIFileObject& InIFile() { return iniFile_; }
    SecretObject& secret() { return secret_; }

private:
    void requireOpen() const;
    RegistryStore& registry() const;

    std::shared_ptr<RegistryStore> registry_;
    bool open_ = false;
    RegestryObject regestry_{*this};
    InIFileObject iniFile_{*this};
    SecretObject secret_{*this};
};

} // namespace tavor
