#include "controls/orvlog/ORVLog.h"

#include "controls/PropertyBag.h"
#include "controls/orvlog/LooseValue.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace tavor {

namespace {

constexpr int Twips = ListGeometry::TwipsPerPixel;

QVariant colourValue(quint32 value) {
    return QVariant::fromValue<quint32>(value);
}

std::optional<quint32> toColourValue(const QVariant& value) {
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    // A system colour may arrive as a negative 32-bit number.
    if (!ok || number < -0x80000000ll || number > 0xFFFFFFFFll)
        return std::nullopt;
    return quint32(number);
}

std::optional<QFont> toFont(const QVariant& value) {
    if (value.typeId() == QMetaType::QFont)
        return value.value<QFont>();
    QFont font;
    if (value.typeId() == QMetaType::QString && font.fromString(value.toString()))
        return font;
    return std::nullopt;
}

} // namespace

ORVLog::ORVLog(QWidget* parent)
    : ORVLog(std::make_unique<RowModel>(ImageLibrary::withBuiltIns()), nullptr, parent) {}

ORVLog::ORVLog(RowModel& model, QWidget* parent) : ORVLog(nullptr, &model, parent) {}

ORVLog::ORVLog(std::unique_ptr<RowModel> own, RowModel* shown, QWidget* parent)
    : QWidget(parent), ownModel_(std::move(own)), model_(shown ? *shown : *ownModel_) {
    QWidget::setFont(designFont());
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName("VScroll1");
    // The rows move when the value changes, not while the thumb is dragged.
    scrollBar_->setTracking(false);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        model_.scrollTo(value);
        update();
    });
    model_.setEvents({
        [this] { Q_EMIT Click(); },
        [this] { Q_EMIT DblClick(); },
        [this](int& index, int& kind) { Q_EMIT ImageClick(index, kind); },
    });
    model_.setControlSize(width() * Twips, height() * Twips);
    refresh();
}

// A model that outlives the widget must not call back into it.
ORVLog::~ORVLog() {
    model_.setEvents({});
}

void ORVLog::modelChanged() {
    catchUpResize();
    refresh();
}

QFont ORVLog::designFont() {
    QFont font("MS Sans Serif");
    font.setPointSizeF(8.25);
    return font;
}

void ORVLog::markChanged(const QString& name) {
    if (propertyStore_)
        propertyStore_->PropertyChanged(name);
}

void ORVLog::ReadProperties(const PropertyBag& bag) {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    if (auto back = toColourValue(bag.ReadProperty("BackColor", colourValue(0x80000005))))
        model_.setBackColor(*back);
    if (auto style = LooseValue::toInt16(bag.ReadProperty("BorderStyle", 0)))
        model_.setBorderStyle(*style);
    if (auto font = toFont(bag.ReadProperty("Font", ambient)))
        QWidget::setFont(*font);
    if (auto fore = toColourValue(bag.ReadProperty("ForeColor", colourValue(0x80000012))))
        model_.setForeColor(*fore);
    model_.setDirection(bag.ReadProperty("RightToLeft", false).toBool());
    model_.setAllowFocusChange(bag.ReadProperty("AllowFocusChange", true).toBool());
    model_.setScrollAutoHide(bag.ReadProperty("ScrollAutoHide", false).toBool());
    model_.setBorderFlag(bag.ReadProperty("Border", true).toBool());
    model_.mirrorBackColor();
    model_.setControlSize(width() * Twips, height() * Twips);
    layoutPass();
}

void ORVLog::InitProperties() {
    model_.setAllowFocusChange(true);
}

void ORVLog::WriteProperties(PropertyBag& bag) const {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty("BackColor", colourValue(model_.BackColor()), colourValue(0x80000005));
    bag.WriteProperty("BorderStyle", BorderStyle(), 0);
    bag.WriteProperty("Font", font(), ambient);
    bag.WriteProperty("ForeColor", colourValue(model_.ForeColor()), colourValue(0x80000012));
    bag.WriteProperty("RightToLeft", model_.RightToLeft(), false);
    bag.WriteProperty("AllowFocusChange", model_.AllowFocusChange(), true);
    bag.WriteProperty("ScrollAutoHide", model_.ScrollAutoHide(), false);
    bag.WriteProperty("Border", model_.Border(), true);
}

void ORVLog::Add(const QVariant& Txt, const QVariant& Img, const QVariant& Tag,
                 const QVariant& Tooltip) {
    catchUpResize();
    model_.Add(Txt, Img, Tag, Tooltip);
    refresh();
}

void ORVLog::ChaneText(int Idx, const QVariant& Txt) {
    model_.ChaneText(Idx, Txt);
    update();
}

void ORVLog::ChangeTag(int Idx, const QVariant& Tag) {
    model_.ChangeTag(Idx, Tag);
}

void ORVLog::ChaneImage(int index, const QVariant& Img) {
    model_.ChaneImage(index, Img);
    update();
}

void ORVLog::SetCheck(int Idx, const QVariant& Value) {
    model_.SetCheck(Idx, Value);
    update();
}

void ORVLog::RemoveItem(int Idx) {
    catchUpResize();
    model_.RemoveItem(Idx);
    refresh();
}

void ORVLog::Clear() {
    model_.Clear();
    refresh();
}

void ORVLog::LoadImage(const QPixmap& pic) {
    model_.LoadImage(pic.toImage());
}

void ORVLog::setListIndex(int value) {
    model_.setListIndex(value);
    update();
}

void ORVLog::setTopItem(int value) {
    model_.setTopItem(value);
    refresh();
}

void ORVLog::setScrollAutoHide(bool value) {
    model_.setScrollAutoHide(value);
    refresh();
}

void ORVLog::setBorder(bool value) {
    model_.setBorder(value);
    refresh();
}

void ORVLog::setBackColor(quint32 value) {
    model_.setBackColor(value);
    markChanged("BackColor");
    update();
}

void ORVLog::setForeColor(quint32 value) {
    model_.setForeColor(value);
    markChanged("ForeColor");
    update();
}

void ORVLog::setFont(const QFont& value) {
    QWidget::setFont(value);
    markChanged("Font");
    update();
}

void ORVLog::setRightToLeft(bool value) {
    model_.setRightToLeft(value);
    markChanged("RightToLeft");
    refresh();
}

void ORVLog::setAllowFocusChange(bool value) {
    model_.setAllowFocusChange(value);
    markChanged("AllowFocusChange");
}

void ORVLog::layoutPass() {
    model_.layoutPass();
    refresh();
}

void ORVLog::catchUpResize() {
    // A hidden widget receives its resize notification only when shown; rows
    // added before that must still be measured against the size already set.
    const QSize twips = size() * Twips;
    const ListGeometry& g = model_.geometry();
    if (twips.width() != g.controlWidth() || twips.height() != g.controlHeight()) {
        model_.setControlSize(twips.width(), twips.height());
        layoutPass();
    }
}

void ORVLog::resizeEvent(QResizeEvent*) {
    catchUpResize();
}

void ORVLog::refresh() {
    syncScrollBar();
    update();
}

void ORVLog::syncScrollBar() {
    const ListGeometry& g = model_.geometry();
    const QSignalBlocker blocker(scrollBar_);
    scrollBar_->setRange(0, g.scrollMax());
    scrollBar_->setSingleStep(g.smallStep());
    scrollBar_->setPageStep(g.pageStep());
    scrollBar_->setValue(g.scrollValue());
    scrollBar_->setGeometry(
        toPixels(g.scrollLeft(), 0, ListGeometry::ScrollBarWidth, g.scrollHeight()));
    scrollBar_->setVisible(g.scrollVisible());
}

int ORVLog::borderPixels() const {
    return BorderStyle() != 0 ? ListGeometry::BorderPixels : 0;
}

QPoint ORVLog::toTwips(const QPoint& pixel) const {
    return (pixel - QPoint(borderPixels(), borderPixels())) * Twips;
}

QRect ORVLog::toPixels(int left, int top, int width, int height) const {
    return QRect(left / Twips + borderPixels(), top / Twips + borderPixels(), width / Twips,
                 height / Twips);
}

QColor ORVLog::colour(quint32 value) const {
    return SystemColor::toColor(value, palette());
}

void ORVLog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ListGeometry& g = model_.geometry();
    const QRect client =
        rect().adjusted(borderPixels(), borderPixels(), -borderPixels(), -borderPixels());
    painter.fillRect(client, colour(model_.ownBackColor()));
    const QRect canvas =
        toPixels(g.canvasLeft(), g.canvasTop(), g.canvasWidth(), g.canvasHeight()) & client;
    painter.fillRect(canvas, colour(model_.BackColor()));
    painter.save();
    painter.setClipRect(canvas);
    paintRows(painter, canvas);
    painter.restore();
    if (borderPixels() > 0)
        paintBorder(painter);
}

void ORVLog::paintRows(QPainter& painter, const QRect& canvas) {
    const ListGeometry& g = model_.geometry();
    const QList<RowElement>& rows = model_.elements();
    const bool rtl = model_.RightToLeft();
    const auto rowRect = [&](const RowElement& row) {
        return toPixels(g.canvasLeft() + row.textLeft, g.canvasTop() + row.textTop, row.textWidth,
                        row.textHeight);
    };
    const auto shown = [&](const RowElement& row) {
        const QRect r = rowRect(row);
        return row.visible && r.bottom() + r.height() >= canvas.top() &&
               r.top() - r.height() <= canvas.bottom();
    };
    // Backgrounds first, so that a tall glyph is not cut by the next row.
    for (qsizetype k = 1; k < rows.size(); ++k) {
        if (shown(rows[k]))
            painter.fillRect(rowRect(rows[k]), colour(rows[k].back));
    }
    painter.setFont(font());
    painter.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    const int align =
        Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip |
        (rtl ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft | Qt::AlignAbsolute);
    for (qsizetype k = 1; k < rows.size(); ++k) {
        const RowElement& row = rows[k];
        if (!shown(row))
            continue;
        painter.setPen(colour(row.fore));
        painter.drawText(rowRect(row), align, row.text);
        if (row.iconVisible && row.pictureSlot != RowElement::NoPicture) {
            const QRect icon = toPixels(g.canvasLeft() + row.iconLeft, g.canvasTop() + row.iconTop,
                                        row.iconWidth, row.iconHeight);
            painter.drawImage(icon.topLeft(), model_.library().picture(row.pictureSlot));
        }
    }
}

void ORVLog::paintBorder(QPainter& painter) {
    // A sunken edge, two pixels wide.
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const auto edge = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    const QPalette& p = palette();
    edge(outer, p.color(QPalette::Mid), p.color(QPalette::Light));
    edge(inner, p.color(QPalette::Shadow), p.color(QPalette::Midlight));
}

RowModel::Hit ORVLog::hitAt(const QPointF& pixel) const {
    const QPoint at = toTwips(pixel.toPoint());
    return model_.hitTest(at.x(), at.y());
}

void ORVLog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = hitAt(event->position());
}

// A click is a press and a release over the same element, as the toolkit's own click.
void ORVLog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    const RowModel::Hit pressed = *pressed_;
    pressed_.reset();
    const RowModel::Hit released = hitAt(event->position());
    if (released.area != pressed.area || released.row != pressed.row)
        return;
    model_.click(released);
    refresh();
}

void ORVLog::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    model_.dblClick();
}

bool ORVLog::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QPoint at = toTwips(help->pos());
    const RowModel::Hit hit = model_.hitTest(at.x(), at.y());
    const QString tip =
        hit.area == RowModel::Area::Text ? model_.elements()[hit.row].tooltip : QString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
}

} // namespace tavor
