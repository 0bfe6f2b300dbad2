#include "controls/orvlog/SystemColor.h"

#include <array>

namespace tavor {

QPalette::ColorRole SystemColor::roleOf(quint32 number) {
    // System colour numbers 0..24 in their classic order.
    static constexpr std::array<QPalette::ColorRole, 25> roles = {
        QPalette::Button,          // 0 scroll bar
        QPalette::Window,          // 1 desktop
        QPalette::Highlight,       // 2 active caption
        QPalette::Mid,             // 3 inactive caption
        QPalette::Window,          // 4 menu
        QPalette::Base,            // 5 window background
        QPalette::Shadow,          // 6 window frame
        QPalette::WindowText,      // 7 menu text
        QPalette::Text,            // 8 window text
        QPalette::HighlightedText, // 9 caption text
        QPalette::Window,          // 10 active border
        QPalette::Window,          // 11 inactive border
        QPalette::Dark,            // 12 application workspace
        QPalette::Highlight,       // 13 highlight
        QPalette::HighlightedText, // 14 highlight text
        QPalette::Button,          // 15 button face
        QPalette::Mid,             // 16 button shadow
        QPalette::PlaceholderText, // 17 grey text
        QPalette::ButtonText,      // 18 button text
        QPalette::PlaceholderText, // 19 inactive caption text
        QPalette::Light,           // 20 button highlight
        QPalette::Shadow,          // 21 dark 3D shadow
        QPalette::Midlight,        // 22 3D light
        QPalette::ToolTipText,     // 23 tooltip text
        QPalette::ToolTipBase,     // 24 tooltip background
    };
    return number < roles.size() ? roles[number] : QPalette::NoRole;
}

QColor SystemColor::toColor(quint32 value, const QPalette& palette) {
    if (!isSystem(value))
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    const QPalette::ColorRole role = roleOf(value & 0x7FFFFFFFu);
    // The active group always: a disabled list keeps its colours.
    return role == QPalette::NoRole ? QColor(Qt::black) : palette.color(QPalette::Active, role);
}

} // namespace tavor
