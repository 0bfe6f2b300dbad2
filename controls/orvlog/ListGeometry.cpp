#include "controls/orvlog/ListGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace tavor {

void ListGeometry::setControlSize(int width, int height) {
    controlWidth_ = width;
    controlHeight_ = height;
}

void ListGeometry::sizeFrame() {
    const int allowance = borderStyle_ != 0 ? BorderAllowance : 0;
    const int width = controlWidth_ - ScrollBarWidth - allowance;
    const int height = controlHeight_ - allowance;
    if (width >= 0)
        canvasWidth_ = width;
    if (height >= 0)
        scrollHeight_ = height;
}

void ListGeometry::placeFrame(bool rightToLeft) {
    if (rightToLeft) {
        scrollLeft_ = 0;
        canvasLeft_ = ScrollBarWidth;
    } else {
        canvasLeft_ = 0;
        scrollLeft_ = canvasWidth_;
    }
}

void ListGeometry::updateScrollRange(int rows, int rowHeight, bool autoHide) {
    if (rowHeight <= 0)
        return;
    const int fit = controlHeight_ / rowHeight;
    const int max = std::max(rows - fit, 0);
    setScrollMax(max, rowHeight);
    smallStep_ = 1;
    if (fit > 0) // the scroll bar refuses a page step of 0
        pageStep_ = fit;
    scrollVisible_ = autoHide ? max > 0 : true;
}

void ListGeometry::setScrollMax(int max, int rowHeight) {
    scrollMax_ = max;
    if (scrollValue_ > max)
        setScrollValue(max, rowHeight);
}

bool ListGeometry::setScrollValue(int value, int rowHeight) {
    if (value < 0 || value > scrollMax_)
        return false;
    scrollValue_ = value;
    canvasTop_ = -(value * rowHeight);
    return true;
}

int ListGeometry::topItem(int rowHeight) const {
    return rowHeight > 0 ? std::abs(canvasTop_) / rowHeight : 0;
}

int ListGeometry::rowsView(int rowHeight) const {
    return rowHeight > 0 ? controlHeight_ / rowHeight : 0;
}

int ListGeometry::iconLeft(bool rightToLeft, int canvasWidth, int iconWidth) {
    return rightToLeft ? canvasWidth - iconWidth - 30 : 30;
}

int ListGeometry::textLeft(bool rightToLeft, int iconLeft, int iconWidth, int textWidth) {
    return rightToLeft ? iconLeft - textWidth - 60 : iconWidth + 45;
}

} // namespace tavor
