#pragma once

namespace tavor {

// The frame of the list: the control's outer size and border, the canvas that
// carries the rows and the vertical scroll bar beside it. All values in twips,
// measured from the control's inner top-left corner in either direction.
class ListGeometry {
public:
    static constexpr int TwipsPerPixel = 15;
    static constexpr int ScrollBarWidth = 255;
    static constexpr int BorderAllowance = 60; // two pixels on each side
    static constexpr int BorderPixels = 2;

    // The control's outer size, border included.
    void setControlSize(int width, int height);
    int controlWidth() const { return controlWidth_; }
    int controlHeight() const { return controlHeight_; }

    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int style) { borderStyle_ = style; }

    // Canvas width and scroll bar height from the control's size, less the
    // border allowance while a border is drawn. A size that would come out
    // negative is left as it was.
    void sizeFrame();
    // Scroll bar at the left edge and the canvas after it (right to left), or
    // the canvas at the left edge and the scroll bar after it.
    void placeFrame(bool rightToLeft);

    int canvasLeft() const { return canvasLeft_; }
    int canvasTop() const { return canvasTop_; }
    int canvasWidth() const { return canvasWidth_; }
    int canvasHeight() const { return canvasHeight_; }
    void setCanvasHeight(int height) { canvasHeight_ = height; }

    int scrollLeft() const { return scrollLeft_; }
    int scrollHeight() const { return scrollHeight_; }
    int scrollMax() const { return scrollMax_; }
    int scrollValue() const { return scrollValue_; }
    int smallStep() const { return smallStep_; }
    int pageStep() const { return pageStep_; }
    bool scrollVisible() const { return scrollVisible_; }

    // Scroll range for the given number of rows: the rows that do not fit
    // count as the maximum, the rows that fit as the page step. With autoHide
    // the bar is shown only while the maximum is above 0.
    void updateScrollRange(int rows, int rowHeight, bool autoHide);
    // A new maximum; a value above it follows it down and moves the canvas.
    void setScrollMax(int max, int rowHeight);
    // Scrolls by whole rows. A value outside 0..maximum is rejected.
    bool setScrollValue(int value, int rowHeight);

    int topItem(int rowHeight) const;
    int rowsView(int rowHeight) const;

    // The placement rule of a row's icon and text on a canvas of width W.
    static int iconLeft(bool rightToLeft, int canvasWidth, int iconWidth);
    static int textLeft(bool rightToLeft, int iconLeft, int iconWidth, int textWidth);

private:
    int controlWidth_ = 0;
    int controlHeight_ = 0;
    int borderStyle_ = 1;

    int canvasLeft_ = 0;
    int canvasTop_ = 0;
    int canvasWidth_ = 0;
    int canvasHeight_ = 0;

    int scrollLeft_ = 0;
    int scrollHeight_ = 0;
    int scrollMax_ = 0;
    int scrollValue_ = 0;
    int smallStep_ = 1;
    int pageStep_ = 1;
    bool scrollVisible_ = true;
};

} // namespace tavor
