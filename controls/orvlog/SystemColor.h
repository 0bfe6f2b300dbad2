#pragma once

#include <QColor>
#include <QPalette>

namespace tavor {

// Colour values as the list stores them: 0x00BBGGRR for a fixed colour and
// 0x80000000 + n for system colour n, which follows the desktop palette.
class SystemColor {
public:
    static constexpr quint32 WindowBackground = 0x80000005;
    static constexpr quint32 ButtonText = 0x80000012;
    static constexpr quint32 Highlight = 0x8000000D;
    static constexpr quint32 HighlightText = 0x8000000E;

    static bool isSystem(quint32 value) { return (value & 0x80000000u) != 0; }
    static QColor toColor(quint32 value, const QPalette& palette);

private:
    static QPalette::ColorRole roleOf(quint32 number);
};

} // namespace tavor
