#include "support/MemoryRegistryStore.h"

#include "base/Error.h"

namespace tavor {

std::optional<QString> MemoryRegistryStore::value(const QString& keyPath,
                                                  const QString& name) const {
    reads_.append(keyPath + QLatin1Char('\\') + name);
    for (const auto& [storedName, storedValue] : keys_.value(fold(keyPath))) {
        if (fold(storedName) == fold(name))
            return storedValue;
    }
    return std::nullopt;
}

QList<std::pair<QString, QString>> MemoryRegistryStore::values(const QString& keyPath) const {
    reads_.append(keyPath);
    return keys_.value(fold(keyPath));
}

void MemoryRegistryStore::setValue(const QString& keyPath, const QString& name,
                                   const QString& value) {
    if (failWrites_)
        throw Error(ErrorNumber::PermissionDenied, QStringLiteral("Registry write refused"));
    ++writeCount_;
    auto& entries = keys_[fold(keyPath)];
    for (auto& entry : entries) {
        if (fold(entry.first) == fold(name)) {
            entry.second = value;
            return;
        }
    }
    entries.append({name, value});
}

} // namespace tavor
