#pragma once

#include "platform/registry/RegistryStore.h"

#include <QMap>
#include <QStringList>

namespace tavor {

// A registry held in memory for tests: key paths and names without regard to case,
// every read recorded in order, and writes that can be made to fail.
class MemoryRegistryStore : public RegistryStore {
public:
    std::optional<QString> value(const QString& keyPath, const QString& name) const override;
    QList<std::pair<QString, QString>> values(const QString& keyPath) const override;
    void setValue(const QString& keyPath, const QString& name, const QString& value) override;

    // Reads so far, each as "key path\value name".
    const QStringList& reads() const { return reads_; }
    // While set, setValue raises tavor::Error and stores nothing.
    void failWrites(bool fail) { failWrites_ = fail; }
    int writeCount() const { return writeCount_; }

private:
    static QString fold(const QString& text) { return text.trimmed().toCaseFolded(); }

    QMap<QString, QList<std::pair<QString, QString>>> keys_;
    mutable QStringList reads_;
    bool failWrites_ = false;
    int writeCount_ = 0;
};

} // namespace tavor
