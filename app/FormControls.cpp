#include "app/FormControls.h"

#include "app/FileListBox.h"
#include "base/Error.h"
#include "controls/PropertyBag.h"
#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace tavor {

namespace {

constexpr quint32 kWhite = 0x00FFFFFF;

// The item lists' properties as stored with the window's design.
PropertyBag storedPropertiesOf(const QString& name) {
    PropertyBag bag;
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    bag.WriteProperty(QStringLiteral("Font"), tahoma, QVariant());
    if (name == QLatin1String("ORVLog1")) {
        bag.WriteProperty(QStringLiteral("BorderStyle"), 1, 0);
    } else if (name == QLatin1String("ORVLog2")) {
        bag.WriteProperty(QStringLiteral("BackColor"), kWhite, 0x80000005u);
        bag.WriteProperty(QStringLiteral("RightToLeft"), true, false);
        bag.WriteProperty(QStringLiteral("ScrollAutoHide"), true, false);
        bag.WriteProperty(QStringLiteral("Border"), false, true);
    }
    return bag;
}

void applyDesignFont(QWidget* widget, const ControlDesign& design) {
    if (design.fontFamily.isEmpty())
        return;
    QFont font(design.fontFamily);
    font.setPointSizeF(design.fontPointSize);
    font.setBold(design.fontBold);
    widget->setFont(font);
}

} // namespace

int FormControls::toPixels(int twips) {
    return qRound(twips / double(FormDesign::TwipsPerPixel));
}

void FormControls::build(QWidget* window) {
    for (const ControlDesign& design : FormDesign::controls()) {
        QWidget* container =
            design.container == window->objectName() ? window : widgets_.value(design.container);
        QWidget* widget = create(design, container);
        widget->setObjectName(design.name);
        widgets_.insert(design.name, widget);
        containers_.insert(design.name, design.container);
        applyDesignFont(widget, design);
        place(design.name, design.left, design.top, design.width, design.height);
        widget->setVisible(design.visible);
        if (design.tabIndex < 0)
            widget->setFocusPolicy(Qt::NoFocus);
    }
    // The first control of the design lies on top of those after it in its container.
    const QList<ControlDesign>& designs = FormDesign::controls();
    for (auto it = designs.crbegin(); it != designs.crend(); ++it)
        widgets_.value(it->name)->raise();
    orderTabs(window);
}

void FormControls::orderTabs(QWidget* window) {
    QList<const ControlDesign*> byTab;
    for (const ControlDesign& design : FormDesign::controls()) {
        if (design.tabIndex >= 0)
            byTab.append(&design);
    }
    std::sort(byTab.begin(), byTab.end(), [](const ControlDesign* a, const ControlDesign* b) {
        return a->tabIndex < b->tabIndex;
    });
    for (qsizetype i = 1; i < byTab.size(); ++i)
        window->setTabOrder(widgets_.value(byTab[i - 1]->name), widgets_.value(byTab[i]->name));
}

QWidget* FormControls::create(const ControlDesign& design, QWidget* container) {
    using K = ControlDesign::Kind;
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    switch (design.kind) {
    case K::Frame: {
        auto* frame = new QFrame(container);
        frame->setFrameShape(QFrame::Box);
        frame->setFrameShadow(QFrame::Sunken);
        return frame;
    }
    case K::Label: {
        auto* label = new QLabel(design.text, container);
        label->setAlignment(centred);
        label->setTextFormat(Qt::PlainText);
        if (design.name == QLatin1String("Label1")) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(palette);
        }
        return label;
    }
    case K::Button:
        return new QPushButton(design.text, container);
    case K::Panel: {
        auto* panel = new QFrame(container);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        return panel;
    }
    case K::ItemList: {
        auto* list = new ORVLog(container);
        list->ReadProperties(storedPropertiesOf(design.name));
        return list;
    }
    case K::ProgressBar: {
        auto* progress = new ORVProgressXP(container);
        progress->ReadProperties(PropertyBag());
        return progress;
    }
    case K::Animation:
        return new AnimationControl(container);
    case K::Picture: {
        auto* picture = new QLabel(container);
        picture->setScaledContents(true);
        return picture;
    }
    case K::ListBox:
        return new QListWidget(container);
    case K::FileListBox:
        return new FileListBox(container);
    case K::ComboBox: {
        auto* combo = new QComboBox(container);
        combo->setEditable(true);
        return combo;
    }
    case K::TextBox:
        return new QLineEdit(design.text, container);
    }
    return new QWidget(container);
}

void FormControls::place(const QString& name, int left, int top, int width, int height) {
    QWidget* widget = control(name);
    if (!widget)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No control named ") + name);
    twips_.insert(name, QRect(left, top, width, height));
    widget->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QStringList FormControls::names() const {
    QStringList names;
    for (const ControlDesign& design : FormDesign::controls())
        names << design.name;
    return names;
}

} // namespace tavor
