#include "controls/PropertyBag.h"

namespace tavor {

qsizetype PropertyBag::find(const QString& name) const {
    for (qsizetype i = 0; i < values_.size(); ++i) {
        if (values_[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    const qsizetype i = find(name);
    return i < 0 ? defaultValue : values_[i].second;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue) {
    const qsizetype i = find(name);
    if (value == defaultValue) {
        if (i >= 0)
            values_.removeAt(i);
        return;
    }
    if (i >= 0)
        values_[i].second = value;
    else
        values_.append({name, value});
}

void PropertyBag::PropertyChanged(const QString& name) {
    if (!isChanged(name))
        changed_.append(name);
}

bool PropertyBag::isChanged(const QString& name) const {
    for (const QString& n : changed_) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool PropertyBag::contains(const QString& name) const {
    return find(name) >= 0;
}

} // namespace tavor
