#include "controls/progress/ORVProgressXP.h"

#include "controls/PropertyBag.h"
#include "controls/progress/ProgressShape.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <utility>

// The pictures live in the static tavor_controls library, whose resources must be
// registered explicitly, and from outside any namespace.
static void initProgressResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(orvprogress);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace tavor {

namespace {

constexpr int TimerIntervalMs = 75;
// The inner frame's light grey, RGB (224, 224, 224).
const QColor InnerFrameColor(224, 224, 224);

QString elementName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* createPicture(QWidget* parent, const QString& name, const QPixmap& picture) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(picture);
    label->setScaledContents(true);
    return label;
}

void setTwipsGeometry(QWidget* widget, const QRect& twips) {
    widget->setGeometry(ProgressLayout::toPixels(twips));
}

qint16 toValue(int value) {
    return static_cast<qint16>(std::clamp<int>(value, INT16_MIN, INT16_MAX));
}

} // namespace

ORVProgressXP::ORVProgressXP(QWidget* parent)
    : ORVProgressXP(RemainingTime::monotonicClock(), parent) {}

ORVProgressXP::ORVProgressXP(RemainingTime::Clock clock, QWidget* parent)
    : QWidget(parent), remaining_(std::move(clock)) {
    initProgressResources();
    createElements();
    Initialize();
}

// Elements are created back to front, which gives their stacking order.
void ORVProgressXP::createElements() {
    blockPicture_ = QPixmap(QStringLiteral(":/progress/block.png"));

    Shape1_ = new ProgressShape(this);
    Shape1_->setObjectName(QStringLiteral("Shape1"));
    Image1_ = createPicture(this, QStringLiteral("Image1"),
                            QPixmap(QStringLiteral(":/progress/strip.png")));
    imgPic0_ = createPicture(this, elementName("imgPic", 0), blockPicture_);
    imgPic0_->hide();
    Shape2_ = new ProgressShape(this);
    Shape2_->setObjectName(QStringLiteral("Shape2"));
    for (int corner = 3; corner >= 0; --corner) {
        auto* mask = new QLabel(this);
        mask->setObjectName(elementName("labCorn", corner));
        mask->setAutoFillBackground(true);
        labCorn_[corner] = mask;
    }
    labTime_ = new QLabel(this);
    labTime_->setObjectName(QStringLiteral("labTime"));
    // The caption is English and the bar is never mirrored, whatever the host's direction.
    labTime_->setLayoutDirection(Qt::LeftToRight);
    labTime_->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(TimerIntervalMs);
    connect(Timer1_, &QTimer::timeout, this, &ORVProgressXP::Timer1_Timer);
    applyColors();
}

void ORVProgressXP::Initialize() {
    for (QLabel* mask : labCorn_) {
        mask->setText(QStringLiteral("0"));
        mask->resize(ProgressLayout::CornerSize / ProgressLayout::TwipsPerPixel,
                     ProgressLayout::CornerSize / ProgressLayout::TwipsPerPixel);
    }
    setStyle(0);
    setValue(0);
}

// The frame and the corner masks take the host's system colours: the outer
// border is the button shadow, the trough the window background, and the masks
// the button face of the panel around the bar.
void ORVProgressXP::applyColors() {
    const QPalette colors = palette();
    Shape1_->setBorderColor(colors.color(QPalette::Dark));
    Shape1_->setFillColor(colors.color(QPalette::Base));
    Shape2_->setBorderColor(InnerFrameColor);
    // A mask is one pixel: its caption takes the mask colour too, or a sliver of
    // the glyph would show in the corner.
    for (QLabel* mask : labCorn_) {
        QPalette maskColors = mask->palette();
        maskColors.setColor(QPalette::Window, colors.color(QPalette::Button));
        maskColors.setColor(QPalette::WindowText, colors.color(QPalette::Button));
        mask->setPalette(maskColors);
    }
}

void ORVProgressXP::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        applyColors();
    QWidget::changeEvent(event);
}

void ORVProgressXP::setStyle(int style) {
    style_ = style;
    applyStripState();
}

int ORVProgressXP::Value() {
    RefreshDisplay();
    return value_;
}

void ORVProgressXP::setValue(int value) {
    value_ = toValue(value);
    RefreshDisplay();
}

void ORVProgressXP::Reset() {
    remaining_.restart();
    value_ = 0;
    RefreshDisplay();
}

void ORVProgressXP::ReadProperties(const PropertyBag& bag) {
    style_ = bag.ReadProperty(QStringLiteral("Style"), qint32(0)).toInt();
    value_ = toValue(bag.ReadProperty(QStringLiteral("Value"), qint16(0)).toInt());
    RefreshDisplay();
}

void ORVProgressXP::WriteProperties(PropertyBag& bag) {
    bag.WriteProperty(QStringLiteral("Value"), QVariant::fromValue(value_),
                      QVariant::fromValue(qint16(0)));
    bag.WriteProperty(QStringLiteral("Style"), QVariant::fromValue(style_),
                      QVariant::fromValue(qint32(0)));
    RefreshDisplay();
}

ProgressLayout ORVProgressXP::currentLayout() const {
    return {width() * ProgressLayout::TwipsPerPixel, height() * ProgressLayout::TwipsPerPixel};
}

void ORVProgressXP::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (size() != laidOutSize_)
        Layout();
}

// Rebuilds the blocks for the current size; the refresh at the end shows the
// current value's share of them.
void ORVProgressXP::Layout() {
    laidOutSize_ = size();
    const ProgressLayout layout = currentLayout();
    removeBlocks();
    placeFrame(layout);
    buildBlocks(layout);
    const int captionHeight = labTime_->fontMetrics().height() * ProgressLayout::TwipsPerPixel;
    setTwipsGeometry(labTime_, layout.captionRect(captionHeight));
    RefreshDisplay();
}

void ORVProgressXP::placeFrame(const ProgressLayout& layout) {
    setTwipsGeometry(Image1_, layout.stripRect(stripLeft_));
    setTwipsGeometry(Shape1_, layout.outerFrame());
    setTwipsGeometry(Shape2_, layout.innerFrame());
    for (int corner = 0; corner < int(labCorn_.size()); ++corner)
        setTwipsGeometry(labCorn_[corner], layout.cornerRect(corner));
}

void ORVProgressXP::buildBlocks(const ProgressLayout& layout) {
    setTwipsGeometry(imgPic0_, layout.blockRect(0));
    const int count = layout.blockCount();
    for (int index = 1; index <= count; ++index) {
        QLabel* block = createPicture(this, elementName("imgPic", index), blockPicture_);
        block->raise();
        setTwipsGeometry(block, layout.blockRect(index));
        block->hide();
        blocks_.append(block);
    }
}

void ORVProgressXP::removeBlocks() {
    qDeleteAll(blocks_);
    blocks_.clear();
}

void ORVProgressXP::applyStripState() {
    const bool slides = ProgressLayout::slides(style_);
    if (!slides)
        Timer1_->stop();
    else if (!Timer1_->isActive())
        Timer1_->start();
    Image1_->setVisible(slides);
}

// Only toggles existing blocks and rewrites the caption: it runs on every
// progress event of a long packing step.
void ORVProgressXP::RefreshDisplay() {
    if (size() != laidOutSize_) {
        // A hidden bar gets its resize event only when shown; lay out now so the
        // blocks always match its size.
        Layout();
        return;
    }
    applyStripState();
    const int shown = ProgressLayout::shownBlocks(value_, int(blocks_.size()));
    for (int index = 1; index <= int(blocks_.size()); ++index)
        blocks_[index - 1]->setVisible(ProgressLayout::blockVisible(index, shown, style_));
    labTime_->setText(remaining_.caption(value_));
    labTime_->raise();
    labTime_->setVisible(ProgressLayout::showsCaption(style_));
}

void ORVProgressXP::Timer1_Timer() {
    stripLeft_ = currentLayout().nextStripLeft(stripLeft_);
    setTwipsGeometry(Image1_, currentLayout().stripRect(stripLeft_));
}

} // namespace tavor
