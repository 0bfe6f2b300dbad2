#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace tavor {

// Conversions of the loosely typed arguments that the list's members accept.
// A value that cannot be converted yields nothing, so the caller skips the step
// that needed it.
class LooseValue {
public:
    // Numbers and numeric text, rounded half to even; nothing outside -32768..32767.
    // An empty value is 0.
    static std::optional<qint16> toInt16(const QVariant& value);
    static std::optional<qint16> toInt16(int value);

    // Text form of any value; an empty value is an empty string.
    static QString toText(const QVariant& value);
};

} // namespace tavor
