#include "controls/progress/ProgressShape.h"

#include <QPainter>

namespace tavor {

ProgressShape::ProgressShape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ProgressShape::setBorderColor(const QColor& color) {
    border_ = color;
    update();
}

void ProgressShape::setFillColor(const QColor& color) {
    fill_ = color;
    update();
}

void ProgressShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (fill_.isValid())
        painter.fillRect(rect(), fill_);
    painter.setPen(QPen(border_, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace tavor
