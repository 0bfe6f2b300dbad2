#include "app/FormControls.h"

#include "base/Error.h"
#include "controls/PropertyBag.h"
#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "window/WindowModel.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
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

QFrame::Shape frameShapeOf(ControlDesign::Kind kind, bool border) {
    if (!border)
        return QFrame::NoFrame;
    return kind == ControlDesign::Kind::Frame ? QFrame::Box : QFrame::Panel;
}

QStringList itemsOf(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList itemsOf(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

int FormControls::toPixels(int twips) {
    return qRound(twips / double(FormDesign::TwipsPerPixel));
}

void FormControls::build(QWidget* window, WindowModel& model) {
    model_ = &model;
    for (const ControlDesign& design : FormDesign::controls()) {
        QWidget* container =
            design.container == window->objectName() ? window : widgets_.value(design.container);
        QWidget* widget = create(design, container);
        widget->setObjectName(design.name);
        widgets_.insert(design.name, widget);
        applyDesignFont(widget, design);
        if (const QString& picture = model.control(design.name).picture; !picture.isEmpty())
            qobject_cast<QLabel*>(widget)->setPixmap(QPixmap(picture));
        show(design.name);
        if (design.tabIndex < 0)
            widget->setFocusPolicy(Qt::NoFocus);
    }
    // The first control of the design lies on top of those after it in its container.
    const QList<ControlDesign>& designs = FormDesign::controls();
    for (auto it = designs.crbegin(); it != designs.crend(); ++it)
        widgets_.value(it->name)->raise();
    orderTabs(window);
    connectModel(window);
    connectOperatorInput();
}

void FormControls::connectModel(QWidget* window) {
    QObject::connect(model_, &WindowModel::controlChanged, window,
                     [this](const QString& name) { show(name); });
    QObject::connect(model_, &WindowModel::controlRaised, window,
                     [this](const QString& name) { control(name)->raise(); });
    auto* progress = control<ORVProgressXP>(QStringLiteral("ORVProgressXP1"));
    QObject::connect(model_, &WindowModel::progressReset, progress, &ORVProgressXP::Reset);
    auto* clip = control<AnimationControl>(QStringLiteral("Animation1"));
    QObject::connect(model_, &WindowModel::animationOpened, clip, [clip](const QString& path) {
        try {
            clip->Open(path);
        } catch (const Error&) {
            // A clip that cannot be played leaves the player empty; the panel goes on.
        }
    });
    QObject::connect(model_, &WindowModel::animationStopped, clip, &AnimationControl::Stop);
}

void FormControls::connectOperatorInput() {
    auto* text2 = control<QComboBox>(QStringLiteral("Text2"));
    QObject::connect(text2, &QComboBox::editTextChanged, text2, [this](const QString& text) {
        model_->setText(QStringLiteral("Text2"), text);
    });
    // The box adds what the operator typed when the operator presses Enter. Its list
    // model's signals are not the box's own, so they come while the model is shown too.
    QObject::connect(text2->model(), &QAbstractItemModel::rowsInserted, text2, [this, text2] {
        if (!showing_)
            model_->setItems(QStringLiteral("Text2"), itemsOf(text2));
    });
    auto* text1 = control<QLineEdit>(QStringLiteral("Text1"));
    QObject::connect(text1, &QLineEdit::textEdited, text1, [this](const QString& text) {
        model_->setText(QStringLiteral("Text1"), text);
    });
}

void FormControls::show(const QString& name) {
    const ControlState& state = model_->control(name);
    QWidget* widget = widgets_.value(name);
    const QScopedValueRollback<bool> showing(showing_, true);
    const QSignalBlocker quiet(widget);
    const QRect pixels(toPixels(state.twips.x()), toPixels(state.twips.y()),
                       toPixels(state.twips.width()), toPixels(state.twips.height()));
    if (widget->geometry() != pixels)
        widget->setGeometry(pixels);
    if (widget->isHidden() == state.visible)
        widget->setVisible(state.visible);
    widget->setEnabled(state.enabled);
    using K = ControlDesign::Kind;
    switch (state.design->kind) {
    case K::Frame:
    case K::Panel:
        qobject_cast<QFrame*>(widget)->setFrameShape(
            frameShapeOf(state.design->kind, state.border));
        break;
    case K::Label:
    case K::Button:
    case K::TextBox:
        showText(widget, state.text);
        break;
    case K::ListBox:
    case K::FileListBox:
    case K::ComboBox:
        showItems(widget, state.items);
        showText(widget, state.text);
        break;
    case K::ItemList:
        qobject_cast<ORVLog*>(widget)->modelChanged();
        break;
    case K::ProgressBar:
        qobject_cast<ORVProgressXP*>(widget)->setValue(model_->progressValue());
        break;
    case K::Animation:
        qobject_cast<AnimationControl*>(widget)->setAutoPlay(model_->animationAutoPlay());
        break;
    case K::Picture:
        break;
    }
}

void FormControls::showText(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget); label && label->text() != text)
        label->setText(text);
    else if (auto* button = qobject_cast<QPushButton*>(widget); button && button->text() != text)
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && edit->text() != text)
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->currentText() != text)
        combo->setEditText(text);
}

void FormControls::showItems(QWidget* widget, const QStringList& items) {
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && itemsOf(combo) != items) {
        combo->clear();
        combo->addItems(items);
    } else if (auto* list = qobject_cast<QListWidget*>(widget); list && itemsOf(list) != items) {
        list->clear();
        list->addItems(items);
    }
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
        auto* list = new ORVLog(model_->list(design.name), container);
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
    case K::FileListBox:
        return new QListWidget(container);
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

} // namespace tavor
