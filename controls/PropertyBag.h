#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

namespace tavor {

// The named properties a window keeps for each control it hosts, read back when
// the control is created. Names are compared without regard to case. A value
// equal to its default is not stored, so the default applies on reading.
class PropertyBag {
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const;
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);

    // Marks a property as changed since the bag was last saved.
    void PropertyChanged(const QString& name);
    bool isChanged(const QString& name) const;
    bool anyChanged() const { return !changed_.isEmpty(); }
    void clearChanged() { changed_.clear(); }

    bool contains(const QString& name) const;
    QList<std::pair<QString, QVariant>> entries() const { return values_; }

private:
    qsizetype find(const QString& name) const;

    QList<std::pair<QString, QVariant>> values_;
    QList<QString> changed_;
};

} // namespace tavor
