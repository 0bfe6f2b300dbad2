#pragma once

#include "controls/orvlog/ImageLibrary.h"
#include "controls/orvlog/ListGeometry.h"
#include "controls/orvlog/RowElement.h"

#include <QList>
#include <QVariant>
#include <functional>
#include <optional>

namespace tavor {

// Everything the item list knows and computes, without a widget: the rows and
// their image kinds, the selection, the frame and scrolling, the colours and the
// click table. A row's public index counts from 0; its internal index (the
// element it lives in) is one more, element 0 being the hidden template row.
//
// Row operations never report a failure: a step that names no row, no picture
// or an unconvertible value is skipped and the next step runs. LoadImage is the
// exception and raises tavor::Error.
class RowModel {
public:
    static constexpr int DesignRowHeight = 195;
    static constexpr int BottomMargin = 15;
    static constexpr int UncheckedKind = 210;
    static constexpr int CheckedKind = 211;
    static constexpr int GreyedKind = 212;

    struct Events {
        std::function<void()> click;
        std::function<void()> dblClick;
        std::function<void(int& index, int& kind)> imageClick;
    };

    enum class Area { Text, Icon, Canvas, Control };
    struct Hit {
        Area area = Area::Control;
        int row = 0; // internal index, for Text and Icon
    };

    explicit RowModel(ImageLibrary library = {});
    void setEvents(Events events) { events_ = std::move(events); }

    void Add(const QVariant& Txt, const QVariant& Img, const QVariant& Tag = QVariant(),
             const QVariant& Tooltip = QVariant());
    void ChaneText(int Idx, const QVariant& Txt);
    QString List(int Idx) const;
    void ChangeTag(int Idx, const QVariant& Tag);
    QString GetTag(int Idx) const;
    void ChaneImage(int Idx, const QVariant& Img);
    // Nothing for an index outside the list.
    std::optional<qint16> GetImage(int Idx) const;
    void SetCheck(int Idx, const QVariant& Value);
    int GetCheck(int Idx) const;
    void RemoveItem(int Idx);
    void Clear();
    void LoadImage(const QImage& pic) { library_.LoadImage(pic); }
    int ListCount() const { return int(rows_.size()) - 1; }

    int ListIndex() const { return selIndex_ - 1; }
    // Selects without a range check, then raises Click.
    void setListIndex(int value);
    // Highlights element p (if there is one), paints every other element in the
    // normal colours and stores p as the selection; p = 0 selects nothing.
    void SelectRow(int p);

    // Runs on every resize, direction change and after reading the saved properties.
    void layoutPass();
    void setControlSize(int width, int height) { geometry_.setControlSize(width, height); }
    int rowHeight() const { return rows_[0].textHeight; }
    int TopItem() const { return geometry_.topItem(rowHeight()); }
    void setTopItem(int value) { geometry_.setScrollValue(value, rowHeight()); }
    int RowsView() const { return geometry_.rowsView(rowHeight()); }
    // The scroll bar's value changed (by the user or by a program).
    void scrollTo(int value) { geometry_.setScrollValue(value, rowHeight()); }

    bool ScrollAutoHide() const { return scrollAutoHide_; }
    void setScrollAutoHide(bool value);
    bool Border() const { return border_; }
    void setBorder(bool value);
    void setBorderStyle(int style) { geometry_.setBorderStyle(style); }
    // Stores the flag only; the next layout pass sets the border style from it.
    void setBorderFlag(bool value) { border_ = value; }

    quint32 BackColor() const { return canvasBack_; }
    void setBackColor(quint32 value);
    quint32 ForeColor() const { return canvasFore_; }
    void setForeColor(quint32 value) { canvasFore_ = value; }
    // The control's own background, seen where the canvas does not reach.
    quint32 ownBackColor() const { return ownBack_; }
    void mirrorBackColor() { ownBack_ = canvasBack_; }
    bool RightToLeft() const { return rightToLeft_; }
    // Stores the direction without laying out again (used while reading properties).
    void setDirection(bool rightToLeft) { rightToLeft_ = rightToLeft; }
    void setRightToLeft(bool value);
    bool AllowFocusChange() const { return allowFocusChange_; }
    void setAllowFocusChange(bool value) { allowFocusChange_ = value; }

    // What lies under a point given in twips from the control's inner corner.
    Hit hitTest(int x, int y) const;
    void click(const Hit& hit);
    void dblClick();

    const QList<RowElement>& elements() const { return rows_; }
    const QList<qint16>& imgKinds() const { return imgKinds_; }
    int selIndex() const { return selIndex_; }
    const ListGeometry& geometry() const { return geometry_; }
    const ImageLibrary& library() const { return library_; }

private:
    bool isRow(int k) const { return k >= 1 && k < rows_.size(); }
    bool isElement(int k) const { return k >= 0 && k < rows_.size(); }
    bool putPicture(RowElement& row, int slot) const;
    void place(RowElement& row) const;
    void setCanvasHeightFromLastRow();
    void updateScrollRange();
    void clickText(int k);
    void clickIcon(int k);
    void raiseClick();

    ImageLibrary library_;
    ListGeometry geometry_;
    QList<RowElement> rows_;
    QList<qint16> imgKinds_;
    qint16 selIndex_ = 0;

    quint32 canvasBack_ = SystemColor::WindowBackground;
    quint32 canvasFore_ = SystemColor::ButtonText;
    quint32 ownBack_ = SystemColor::WindowBackground;
    bool rightToLeft_ = false;
    bool scrollAutoHide_ = false;
    bool border_ = true;
    bool allowFocusChange_ = false;
    Events events_;
};

} // namespace tavor
