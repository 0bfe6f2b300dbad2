#pragma once

#include <QRect>

namespace tavor {

// Where the progress bar's parts go and which blocks show, for a bar W x H twips.
// All positions are in twips from the bar's top-left corner (never mirrored);
// toPixels converts them for the widgets (15 twips to the pixel).
class ProgressLayout {
public:
    static constexpr int TwipsPerPixel = 15;
    static constexpr int BlockWidth = 90;
    static constexpr int BlockGap = 45;
    static constexpr int BlockTop = 30;
    static constexpr int FrameInset = 15;
    static constexpr int CornerSize = 15;
    static constexpr int StripWidth = 600;
    static constexpr int StripStartLeft = 15;
    static constexpr int StripStep = 150;
    static constexpr int CaptionLeft = 60;
    static constexpr int SlidingStyle = 2;
    static constexpr int CaptionStyle = 1;

    ProgressLayout(int width, int height) : width_(width), height_(height) {}

    // Blocks are laid left to right, 135 twips apart, until one reaches W - 45;
    // that one is the last.
    int blockCount() const;
    // Block 0 is the hidden template, just outside the left edge.
    QRect blockRect(int index) const;
    int blockHeight() const { return height_ - 2 * BlockTop; }

    QRect outerFrame() const { return {0, 0, width_, height_}; }
    QRect innerFrame() const;
    // Corner masks 0..3: top-left, top-right, bottom-right, bottom-left.
    QRect cornerRect(int corner) const;
    QRect stripRect(int left) const { return {left, BlockTop, StripWidth, blockHeight()}; }
    QRect captionRect(int captionHeight) const;

    // The strip's left after one timer tick: it moves right and, once past the
    // right edge, re-enters from just outside the left edge.
    int nextStripLeft(int left) const;

    // Blocks shown for a value: value x n / 100, halves to even, within 0..n.
    static int shownBlocks(int value, int blockCount);
    static bool slides(int style) { return style == SlidingStyle; }
    static bool showsCaption(int style) { return style == CaptionStyle; }
    static bool blockVisible(int index, int shown, int style);

    // Sizes below zero (a bar smaller than its margins) become empty.
    static QRect toPixels(const QRect& twips);

private:
    int width_;
    int height_;
};

} // namespace tavor
