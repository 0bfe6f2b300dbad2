#pragma once

#include "controls/orvlog/SystemColor.h"

#include <QString>

namespace tavor {

// One row of the list as its text element and icon element hold it. Element 0
// of a list is the hidden template that every new row is copied from.
// Positions and sizes in twips, measured on the canvas.
struct RowElement {
    static constexpr int NoPicture = -1;

    QString text;
    QString tag;
    QString tooltip;
    bool visible = false;

    int textLeft = 0;
    int textTop = 0;
    int textWidth = 0;
    int textHeight = 195;
    quint32 back = SystemColor::WindowBackground;
    quint32 fore = SystemColor::ButtonText;

    int pictureSlot = NoPicture; // library slot shown by the icon
    bool iconVisible = false;
    int iconLeft = 0;
    int iconTop = 0;
    int iconWidth = 180;
    int iconHeight = 180;
};

} // namespace tavor
