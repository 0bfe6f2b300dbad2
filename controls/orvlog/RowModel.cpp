#include "controls/orvlog/RowModel.h"

#include "controls/orvlog/LooseValue.h"

#include <limits>

namespace tavor {

RowModel::RowModel(ImageLibrary library) : library_(std::move(library)) {
    RowElement templateRow;
    templateRow.textHeight = DesignRowHeight;
    templateRow.textTop = BottomMargin - templateRow.textHeight; // row 1 starts at top 15
    rows_.append(templateRow);
    geometry_.setCanvasHeight(0);
    geometry_.setScrollMax(0, rowHeight());
}

bool RowModel::putPicture(RowElement& row, int slot) const {
    if (!library_.has(slot))
        return false;
    row.pictureSlot = slot;
    const QSize size = library_.sizeTwips(slot);
    row.iconWidth = size.width();
    row.iconHeight = size.height();
    return true;
}

void RowModel::place(RowElement& row) const {
    row.iconLeft = ListGeometry::iconLeft(rightToLeft_, geometry_.canvasWidth(), row.iconWidth);
    row.textLeft = ListGeometry::textLeft(rightToLeft_, row.iconLeft, row.iconWidth, row.textWidth);
}

void RowModel::setCanvasHeightFromLastRow() {
    const RowElement& last = rows_.last();
    geometry_.setCanvasHeight(last.textTop + last.textHeight + BottomMargin);
}

void RowModel::updateScrollRange() {
    geometry_.updateScrollRange(ListCount(), rowHeight(), scrollAutoHide_);
}

void RowModel::Add(const QVariant& Txt, const QVariant& Img, const QVariant& Tag,
                   const QVariant& Tooltip) {
    const int n = int(rows_.size());
    if (n > std::numeric_limits<qint16>::max())
        return; // no 16-bit index left for another row
    const std::optional<qint16> kind = LooseValue::toInt16(Img);

    imgKinds_.resize(n + 1);
    RowElement row = rows_[0];
    row.tag.clear();
    row.tooltip.clear();
    row.visible = false;
    row.iconVisible = false;
    if (kind)
        putPicture(row, *kind - 1);
    row.text = LooseValue::toText(Txt);
    if (Tag.isValid())
        row.tag = LooseValue::toText(Tag);
    if (Tooltip.isValid())
        row.tooltip = LooseValue::toText(Tooltip);
    if (kind)
        imgKinds_[n] = *kind;
    row.textWidth = geometry_.canvasWidth();
    const RowElement& previous = rows_[n - 1];
    row.textTop = previous.textTop + previous.textHeight;
    row.iconTop = row.textTop;
    place(row);
    row.visible = true;
    if (kind && *kind > 0)
        row.iconVisible = true;
    rows_.append(row);
    setCanvasHeightFromLastRow();

    SelectRow(0);
    updateScrollRange();
}

void RowModel::ChaneText(int Idx, const QVariant& Txt) {
    if (isRow(Idx + 1))
        rows_[Idx + 1].text = LooseValue::toText(Txt);
}

QString RowModel::List(int Idx) const {
    return isElement(Idx + 1) ? rows_[Idx + 1].text : QString();
}

void RowModel::ChangeTag(int Idx, const QVariant& Tag) {
    if (isRow(Idx + 1))
        rows_[Idx + 1].tag = LooseValue::toText(Tag);
}

QString RowModel::GetTag(int Idx) const {
    return isElement(Idx + 1) ? rows_[Idx + 1].tag : QString();
}

void RowModel::ChaneImage(int Idx, const QVariant& Img) {
    const int k = Idx + 1;
    const std::optional<qint16> kind = LooseValue::toInt16(Img);
    if (!kind || !isRow(k))
        return;
    if (*kind > 0) {
        if (!putPicture(rows_[k], *kind - 1))
            return;
    } else {
        rows_[k].pictureSlot = RowElement::NoPicture;
    }
    imgKinds_[k] = *kind;
}

std::optional<qint16> RowModel::GetImage(int Idx) const {
    const int k = Idx + 1;
    if (k < 0 || k >= imgKinds_.size())
        return std::nullopt;
    return imgKinds_[k];
}

void RowModel::SetCheck(int Idx, const QVariant& Value) {
    const int k = Idx + 1;
    if (!isRow(k))
        return;
    const std::optional<qint16> state = LooseValue::toInt16(Value);
    const bool mapped = state && *state >= 0 && *state <= 2;
    const int kind = mapped ? UncheckedKind + *state : 0;
    const bool pictured = mapped && putPicture(rows_[k], kind - 1);
    rows_[k].iconVisible = true;
    if (pictured)
        imgKinds_[k] = qint16(kind);
}

int RowModel::GetCheck(int Idx) const {
    const std::optional<qint16> kind = GetImage(Idx);
    if (!kind || *kind < UncheckedKind || *kind > GreyedKind)
        return -1;
    return *kind - UncheckedKind;
}

void RowModel::RemoveItem(int Idx) {
    if (Idx < 0)
        return; // the template row is never removed or overwritten
    const int c = int(rows_.size());
    for (int i = Idx + 1; i <= c - 2; ++i) {
        RowElement& row = rows_[i];
        const RowElement& next = rows_[i + 1];
        row.text = next.text;
        row.tag = next.tag;
        row.tooltip = next.tooltip;
        if (next.pictureSlot == RowElement::NoPicture || !putPicture(row, next.pictureSlot))
            row.pictureSlot = RowElement::NoPicture;
        row.iconVisible = next.iconVisible;
        if (i + 1 < imgKinds_.size())
            imgKinds_[i] = imgKinds_[i + 1];
        row.textWidth = geometry_.canvasWidth();
    }
    if (c - 1 >= 1)
        rows_.removeLast();
    imgKinds_.resize(rows_.size());
    setCanvasHeightFromLastRow();
    SelectRow(0);
    updateScrollRange();

    geometry_.placeFrame(rightToLeft_);
    for (int i = Idx + 1; i < rows_.size(); ++i)
        place(rows_[i]);
}

void RowModel::Clear() {
    rows_.resize(1);
    geometry_.setCanvasHeight(0);
    geometry_.setScrollMax(0, rowHeight());
    selIndex_ = 0;
    updateScrollRange();
    imgKinds_ = {0};
}

void RowModel::setListIndex(int value) {
    if (LooseValue::toInt16(value + 1))
        SelectRow(value + 1);
    raiseClick();
}

void RowModel::SelectRow(int p) {
    for (int k = 0; k < rows_.size(); ++k) {
        RowElement& row = rows_[k];
        row.back = k == p ? SystemColor::Highlight : canvasBack_;
        row.fore = k == p ? SystemColor::HighlightText : canvasFore_;
    }
    selIndex_ = qint16(p);
}

void RowModel::layoutPass() {
    geometry_.sizeFrame();
    for (RowElement& row : rows_) {
        row.back = canvasBack_;
        row.fore = canvasFore_;
    }
    geometry_.placeFrame(rightToLeft_);
    for (RowElement& row : rows_)
        place(row);
    updateScrollRange();
    geometry_.setBorderStyle(border_ ? 1 : 0);
}

void RowModel::setScrollAutoHide(bool value) {
    scrollAutoHide_ = value;
    updateScrollRange();
}

void RowModel::setBorder(bool value) {
    border_ = value;
    geometry_.setBorderStyle(value ? 1 : 0);
}

void RowModel::setBackColor(quint32 value) {
    canvasBack_ = value;
    ownBack_ = value;
}

void RowModel::setRightToLeft(bool value) {
    rightToLeft_ = value;
    layoutPass();
}

RowModel::Hit RowModel::hitTest(int x, int y) const {
    const ListGeometry& g = geometry_;
    const int cx = x - g.canvasLeft();
    const int cy = y - g.canvasTop();
    if (cx < 0 || cx >= g.canvasWidth() || cy < 0 || cy >= g.canvasHeight())
        return {Area::Control, 0};
    // Later elements lie above earlier ones, and a row's icon above its text.
    for (int k = int(rows_.size()) - 1; k >= 1; --k) {
        const RowElement& row = rows_[k];
        if (!row.visible)
            continue;
        if (row.iconVisible && cx >= row.iconLeft && cx < row.iconLeft + row.iconWidth &&
            cy >= row.iconTop && cy < row.iconTop + row.iconHeight)
            return {Area::Icon, k};
        if (cx >= row.textLeft && cx < row.textLeft + row.textWidth && cy >= row.textTop &&
            cy < row.textTop + row.textHeight)
            return {Area::Text, k};
    }
    return {Area::Canvas, 0};
}

void RowModel::click(const Hit& hit) {
    switch (hit.area) {
    case Area::Text:
        clickText(hit.row);
        break;
    case Area::Icon:
        clickIcon(hit.row);
        break;
    case Area::Canvas:
    case Area::Control:
        raiseClick();
        break;
    }
}

void RowModel::clickText(int k) {
    if (allowFocusChange_)
        SelectRow(k);
    selIndex_ = qint16(k);
    raiseClick();
}

void RowModel::clickIcon(int k) {
    int kind = k < imgKinds_.size() ? imgKinds_[k] : 0;
    int index = k - 1;
    if (events_.imageClick)
        events_.imageClick(index, kind);
    clickText(k);
    if (kind == UncheckedKind)
        ChaneImage(index, CheckedKind);
    else if (kind == CheckedKind || kind == GreyedKind)
        ChaneImage(index, UncheckedKind);
}

void RowModel::dblClick() {
    if (events_.dblClick)
        events_.dblClick();
}

void RowModel::raiseClick() {
    if (events_.click)
        events_.click();
}

} // namespace tavor
