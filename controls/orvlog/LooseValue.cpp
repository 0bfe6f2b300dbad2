#include "controls/orvlog/LooseValue.h"

#include <cmath>
#include <limits>

namespace tavor {

std::optional<qint16> LooseValue::toInt16(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return qint16(0);
    bool ok = false;
    const double number = value.typeId() == QMetaType::QString
                              ? value.toString().trimmed().toDouble(&ok)
                              : value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    const double rounded = std::nearbyint(number); // default rounding: half to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

std::optional<qint16> LooseValue::toInt16(int value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

QString LooseValue::toText(const QVariant& value) {
    return value.isValid() ? value.toString() : QString();
}

} // namespace tavor
