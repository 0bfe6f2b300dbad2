#include "window/WindowModel.h"

#include "base/Error.h"
#include "resources/WindowResources.h"

#include <algorithm>
#include <limits>

namespace tavor {

namespace {

// The pictures the design gives its picture controls.
QString designedPicture(const QString& name) {
    static const QHash<QString, QString> pictures = {
        {QStringLiteral("Image1"), WindowPictures::Banner},
        {QStringLiteral("Image2"), WindowPictures::HardDisk},
        {QStringLiteral("Image3"), WindowPictures::RemovableDrive},
    };
    return pictures.value(name);
}

} // namespace

WindowModel::WindowModel() {
    tavorInitWindowResources();
    for (const ControlDesign& design : FormDesign::controls()) {
        ControlState state;
        state.design = &design;
        state.twips = QRect(design.left, design.top, design.width, design.height);
        state.visible = design.visible;
        state.text = design.text;
        state.picture = designedPicture(design.name);
        controls_.insert(design.name, state);
        if (design.kind == ControlDesign::Kind::ItemList) {
            RowModel& rows =
                lists_.emplace(design.name, RowModel(ImageLibrary::withBuiltIns())).first->second;
            rows.setControlSize(design.width, design.height);
            rows.layoutPass();
        }
    }
}

void WindowModel::setTitle(const QString& title) {
    title_ = title;
    Q_EMIT windowChanged();
}

void WindowModel::setOuterHeight(int twips) {
    outerHeight_ = twips;
    Q_EMIT windowChanged();
}

void WindowModel::setVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    Q_EMIT windowChanged();
}

QStringList WindowModel::controlNames() const {
    QStringList names;
    for (const ControlDesign& design : FormDesign::controls())
        names << design.name;
    return names;
}

const ControlState& WindowModel::control(const QString& name) const {
    const auto found = controls_.constFind(name);
    if (found == controls_.constEnd())
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No control named ") + name);
    return *found;
}

ControlState& WindowModel::at(const QString& name) {
    control(name);
    return controls_[name];
}

void WindowModel::change(const QString& name, const std::function<void(ControlState&)>& edit) {
    edit(at(name));
    Q_EMIT controlChanged(name);
}

void WindowModel::place(const QString& name, int left, int top, int width, int height) {
    ControlState& placed = at(name);
    placed.twips = QRect(left, top, width, height);
    if (const auto rows = lists_.find(name); rows != lists_.end()) {
        rows->second.setControlSize(width, height);
        rows->second.layoutPass();
    }
    Q_EMIT controlChanged(name);
}

void WindowModel::setControlVisible(const QString& name, bool visible) {
    change(name, [&](ControlState& c) { c.visible = visible; });
}

void WindowModel::setControlEnabled(const QString& name, bool enabled) {
    change(name, [&](ControlState& c) { c.enabled = enabled; });
}

void WindowModel::setBorder(const QString& name, bool border) {
    change(name, [&](ControlState& c) { c.border = border; });
}

void WindowModel::setText(const QString& name, const QString& text) {
    change(name, [&](ControlState& c) { c.text = text; });
}

void WindowModel::raise(const QString& name) {
    control(name);
    Q_EMIT controlRaised(name);
}

void WindowModel::setItems(const QString& name, const QStringList& items) {
    change(name, [&](ControlState& c) { c.items = items; });
}

void WindowModel::appendItems(const QString& name, const QStringList& items) {
    change(name, [&](ControlState& c) {
        if (c.design->kind == ControlDesign::Kind::ComboBox && c.items.isEmpty() &&
            !items.isEmpty())
            c.text = items.front();
        c.items += items;
    });
}

void WindowModel::showListing(const QString& name, const QString& folder, const QString& pattern,
                              const QStringList& names) {
    change(name, [&](ControlState& c) {
        c.path = folder;
        c.pattern = pattern;
        c.items = names;
    });
}

const RowModel& WindowModel::list(const QString& name) const {
    const auto found = lists_.find(name);
    if (found == lists_.end())
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No item list named ") + name);
    return found->second;
}

RowModel& WindowModel::list(const QString& name) {
    return const_cast<RowModel&>(std::as_const(*this).list(name));
}

void WindowModel::changeList(const QString& name, const std::function<void(RowModel&)>& change) {
    change(list(name));
    Q_EMIT controlChanged(name);
}

void WindowModel::setProgressValue(int value) {
    progressValue_ = std::clamp<int>(value, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max());
    Q_EMIT controlChanged(QStringLiteral("ORVProgressXP1"));
}

void WindowModel::resetProgress() {
    progressValue_ = 0;
    Q_EMIT progressReset();
}

void WindowModel::setAnimationAutoPlay(bool on) {
    animationAutoPlay_ = on;
    Q_EMIT controlChanged(QStringLiteral("Animation1"));
}

void WindowModel::openAnimation(const QString& path) {
    Q_EMIT animationOpened(path);
}

void WindowModel::stopAnimation() {
    Q_EMIT animationStopped();
}

} // namespace tavor
