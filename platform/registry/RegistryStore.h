#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace tavor {

// The registry: values of text under key paths that start with their hive
// ("HKEY_CURRENT_USER\Software\ORV\Tavor"). Key paths and value names are
// compared without regard to case; values are kept exactly as written.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // std::nullopt when the key or the value does not exist or cannot be read.
    virtual std::optional<QString> value(const QString& keyPath, const QString& name) const = 0;

    // Every value of a key, in stored order; empty when the key does not exist.
    virtual QList<std::pair<QString, QString>> values(const QString& keyPath) const = 0;

    // Raises tavor::Error when the value cannot be stored.
    virtual void setValue(const QString& keyPath, const QString& name, const QString& value) = 0;
};

} // namespace tavor
