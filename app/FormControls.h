#pragma once

#include "window/FormDesign.h"

#include <QHash>
#include <QString>

class QWidget;

namespace tavor {

class WindowModel;

// The main window's controls made from the design table, each showing its state in
// the window's model: they follow the model's signals, and what the operator types
// into a box comes back into the model before the window's own handlers run.
class FormControls {
public:
    // Creates every control of the design inside window, in design order, showing model.
    void build(QWidget* window, WindowModel& model);

    QWidget* control(const QString& name) const { return widgets_.value(name); }
    template <typename T> T* control(const QString& name) const {
        return qobject_cast<T*>(widgets_.value(name));
    }

    static int toPixels(int twips);

private:
    QWidget* create(const ControlDesign& design, QWidget* container);
    void orderTabs(QWidget* window);
    void connectModel(QWidget* window);
    void connectOperatorInput();
    // Shows the model's state of one control on its widget.
    void show(const QString& name);
    void showText(QWidget* widget, const QString& text);
    void showItems(QWidget* widget, const QStringList& items);

    WindowModel* model_ = nullptr;
    QHash<QString, QWidget*> widgets_;
    // Set while the model's state is shown, so that the widgets' own signals of
    // that change do not come back as the operator's input.
    bool showing_ = false;
};

} // namespace tavor
