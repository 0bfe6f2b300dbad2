#include "controls/progress/ProgressLayout.h"

#include <algorithm>

namespace tavor {

int ProgressLayout::blockCount() const {
    const int pitch = BlockWidth + BlockGap;
    int count = 0;
    while (count * pitch + BlockWidth - BlockGap < width_)
        ++count;
    return count;
}

QRect ProgressLayout::blockRect(int index) const {
    return {index * (BlockWidth + BlockGap) - BlockWidth, BlockTop, BlockWidth, blockHeight()};
}

QRect ProgressLayout::innerFrame() const {
    return {FrameInset, FrameInset, width_ - 2 * FrameInset, height_ - 2 * FrameInset};
}

QRect ProgressLayout::cornerRect(int corner) const {
    const int right = width_ - CornerSize;
    const int bottom = height_ - CornerSize;
    switch (corner) {
    case 1:
        return {right, 0, CornerSize, CornerSize};
    case 2:
        return {right, bottom, CornerSize, CornerSize};
    case 3:
        return {0, bottom, CornerSize, CornerSize};
    default:
        return {0, 0, CornerSize, CornerSize};
    }
}

QRect ProgressLayout::captionRect(int captionHeight) const {
    return {CaptionLeft, (height_ - captionHeight) / 2, width_, captionHeight};
}

int ProgressLayout::nextStripLeft(int left) const {
    const int moved = left + StripStep;
    return moved > width_ ? -StripWidth : moved;
}

int ProgressLayout::shownBlocks(int value, int blockCount) {
    // Exact integer rounding of value x n / 100 with halves going to the even neighbour.
    const long long scaled = static_cast<long long>(value) * blockCount;
    long long quotient = scaled / 100;
    long long remainder = scaled % 100;
    if (remainder < 0) {
        quotient -= 1;
        remainder += 100;
    }
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0))
        quotient += 1;
    return static_cast<int>(std::clamp<long long>(quotient, 0, std::max(blockCount, 0)));
}

bool ProgressLayout::blockVisible(int index, int shown, int style) {
    return !slides(style) && index >= 1 && index <= shown;
}

QRect ProgressLayout::toPixels(const QRect& twips) {
    return {twips.x() / TwipsPerPixel, twips.y() / TwipsPerPixel,
            std::max(0, twips.width() / TwipsPerPixel),
            std::max(0, twips.height() / TwipsPerPixel)};
}

} // namespace tavor
