#pragma once

#include "app/FormDesign.h"

#include <QHash>
#include <QRect>
#include <QStringList>

class QWidget;

namespace tavor {

// The main window's controls made from the design table, and where each was
// last placed: name to widget, its geometry in twips and its container.
class FormControls {
public:
    // Creates every control of the design inside window, in design order.
    void build(QWidget* window);

    QWidget* control(const QString& name) const { return widgets_.value(name); }
    template <typename T> T* control(const QString& name) const {
        return qobject_cast<T*>(widgets_.value(name));
    }
    // Places a control in twips from its container's corner; raises when no
    // control has that name.
    void place(const QString& name, int left, int top, int width, int height);
    QRect twipsGeometry(const QString& name) const { return twips_.value(name); }
    QString containerName(const QString& name) const { return containers_.value(name); }
    QStringList names() const;

    static int toPixels(int twips);

private:
    QWidget* create(const ControlDesign& design, QWidget* container);
    void orderTabs(QWidget* window);

    QHash<QString, QWidget*> widgets_;
    QHash<QString, QRect> twips_;
    QHash<QString, QString> containers_;
};

} // namespace tavor
