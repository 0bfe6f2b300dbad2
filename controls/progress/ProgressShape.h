#pragma once

#include <QColor>
#include <QWidget>

namespace tavor {

// A plain rectangle of the progress bar: a one-pixel border, optionally filled.
class ProgressShape : public QWidget {
public:
    explicit ProgressShape(QWidget* parent = nullptr);

    void setBorderColor(const QColor& color);
    // An invalid colour leaves the inside unpainted.
    void setFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor border_;
    QColor fill_;
};

} // namespace tavor
