#pragma once

#include "controls/progress/ProgressLayout.h"
#include "controls/progress/RemainingTime.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;
class QTimer;

namespace tavor {

class PropertyBag;
class ProgressShape;

// The block progress bar: a rounded trough filled from the left with separate
// green blocks for Value percent. Style 1 adds the remaining-time text, style 2
// replaces the blocks with a strip that slides across for work of unknown length;
// any other style behaves like 0 (blocks only).
class ORVProgressXP : public QWidget {
    Q_OBJECT

public:
    explicit ORVProgressXP(QWidget* parent = nullptr);
    // The clock gives monotonic milliseconds for the remaining-time estimate.
    ORVProgressXP(RemainingTime::Clock clock, QWidget* parent = nullptr);

    int Style() const { return style_; }
    // Starts or stops the strip at once; blocks and text follow at the next refresh.
    void setStyle(int style);
    // Refreshes the blocks and the remaining time, then returns the stored value.
    int Value();
    // Kept as given (within 16 bits); the blocks shown stay within 0..n.
    void setValue(int value);
    // Starts a new timing period with the value back at 0.
    void Reset();

    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private Q_SLOTS:
    void Timer1_Timer();

private:
    void Initialize();
    void createElements();
    void applyColors();
    ProgressLayout currentLayout() const;
    void Layout();
    void placeFrame(const ProgressLayout& layout);
    void buildBlocks(const ProgressLayout& layout);
    void removeBlocks();
    void RefreshDisplay();
    void applyStripState();

    qint32 style_ = 0;
    qint16 value_ = 0;
    RemainingTime remaining_;
    int stripLeft_ = ProgressLayout::StripStartLeft;
    QSize laidOutSize_;
    QPixmap blockPicture_;

    ProgressShape* Shape1_ = nullptr;
    ProgressShape* Shape2_ = nullptr;
    std::array<QLabel*, 4> labCorn_{};
    QLabel* imgPic0_ = nullptr;
    QList<QLabel*> blocks_;
    QLabel* Image1_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QLabel* labTime_ = nullptr;
};

} // namespace tavor
