#include "controls/progress/ORVProgressXP.h"
#include "controls/PropertyBag.h"

#include <QImage>
#include <QLabel>
#include <QTimer>
#include <array>
#include <gtest/gtest.h>

using tavor::ORVProgressXP;
using tavor::PropertyBag;

namespace {

// The main window's instance: 4305 x 285 twips.
constexpr int MainWidthPx = 4305 / 15;
constexpr int MainHeightPx = 285 / 15;

// The bar sits on a shown panel, as in the main window, so resizes arrive as events.
class ORVProgressXPWidget : public testing::Test {
protected:
    ORVProgressXPWidget() : bar(new ORVProgressXP([this] { return nowMs; }, &host)) {
        host.resize(MainWidthPx + 20, MainHeightPx + 20);
        bar->setGeometry(0, 0, MainWidthPx, MainHeightPx);
        host.show();
    }

    QLabel* element(const QString& name) { return bar->findChild<QLabel*>(name); }
    QLabel* block(int index) { return element(QStringLiteral("imgPic(%1)").arg(index)); }
    QLabel* caption() { return element(QStringLiteral("labTime")); }
    QLabel* strip() { return element(QStringLiteral("Image1")); }
    QTimer* timer() { return bar->findChild<QTimer*>(QStringLiteral("Timer1")); }

    int blockCount() {
        int count = 0;
        while (block(count + 1))
            ++count;
        return count;
    }
    // Shown blocks, checked to be exactly blocks 1..m.
    int shownBlocks() {
        int shown = 0;
        while (shown < blockCount() && !block(shown + 1)->isHidden())
            ++shown;
        for (int index = shown + 1; index <= blockCount(); ++index) {
            if (!block(index)->isHidden())
                return -1;
        }
        return shown;
    }
    void tick() { QMetaObject::invokeMethod(bar, "Timer1_Timer"); }

    qint64 nowMs = 1000;
    QWidget host;
    ORVProgressXP* bar;
};

} // namespace

TEST_F(ORVProgressXPWidget, MainWindowInstanceBuilds32BlocksInPixels) {
    EXPECT_EQ(blockCount(), 32);
    EXPECT_EQ(block(1)->geometry(), QRect(3, 2, 6, 15));
    EXPECT_EQ(block(2)->geometry(), QRect(12, 2, 6, 15));
    EXPECT_EQ(block(32)->geometry().left(), 282);
    EXPECT_TRUE(block(0)->isHidden());
    EXPECT_EQ(block(0)->geometry().left(), -6);
}

TEST_F(ORVProgressXPWidget, ValueShowsItsShareOfBlocksFromTheLeft) {
    bar->setValue(50);
    EXPECT_EQ(shownBlocks(), 16);
    bar->setValue(1);
    EXPECT_EQ(shownBlocks(), 0);
    bar->setValue(100);
    EXPECT_EQ(shownBlocks(), 32);
    bar->setValue(0);
    EXPECT_EQ(shownBlocks(), 0);
}

// A value above 100 must not reach for a block that does not exist, and one below 0
// shows none; the value itself is kept as given.
TEST_F(ORVProgressXPWidget, OutOfRangeValueClampsShownBlocksButKeepsTheValue) {
    bar->setValue(150);
    EXPECT_EQ(shownBlocks(), 32);
    EXPECT_EQ(bar->Value(), 150);
    bar->setValue(-5);
    EXPECT_EQ(shownBlocks(), 0);
    EXPECT_EQ(bar->Value(), -5);
    bar->setValue(100000);
    EXPECT_EQ(bar->Value(), 32767);
}

// Style 1 shows the estimate measured from the last Reset; other styles hide it.
TEST_F(ORVProgressXPWidget, CaptionShowsOnlyInStyleOneWithTheEstimate) {
    EXPECT_TRUE(caption()->isHidden());
    bar->setStyle(1);
    bar->setValue(0);
    EXPECT_FALSE(caption()->isHidden());
    EXPECT_EQ(caption()->text(), QStringLiteral("Remaining Time: 00:00:00"));

    bar->Reset();
    nowMs += 30000;
    bar->setValue(25);
    EXPECT_EQ(caption()->text(), QStringLiteral("Remaining Time: 00:01:30"));
    // Reading the value refreshes the estimate.
    nowMs += 30000;
    EXPECT_EQ(bar->Value(), 25);
    EXPECT_EQ(caption()->text(), QStringLiteral("Remaining Time: 00:03:00"));
    bar->Reset();
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_EQ(shownBlocks(), 0);
}

TEST_F(ORVProgressXPWidget, SlidingStyleHidesBlocksAndMovesTheStrip) {
    bar->setValue(100);
    bar->setStyle(2);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 75);
    EXPECT_FALSE(strip()->isHidden());
    EXPECT_EQ(strip()->geometry(), QRect(1, 2, 40, 15));
    bar->setValue(100);
    EXPECT_EQ(shownBlocks(), 0);

    tick();
    EXPECT_EQ(strip()->x(), 11);
    for (int i = 0; i < 27; ++i)
        tick();
    EXPECT_EQ(strip()->x(), 281);
    tick();
    EXPECT_EQ(strip()->x(), -40);
    tick();
    EXPECT_EQ(strip()->x(), -30);
}

// Leaving the sliding style stops the strip at once; the blocks return at the next refresh.
TEST_F(ORVProgressXPWidget, LeavingSlidingStyleStopsTheStripAtOnce) {
    bar->setStyle(2);
    bar->setValue(50);
    bar->setStyle(0);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_TRUE(strip()->isHidden());
    EXPECT_EQ(shownBlocks(), 0);
    EXPECT_EQ(bar->Value(), 50);
    EXPECT_EQ(shownBlocks(), 16);
}

TEST_F(ORVProgressXPWidget, ResizeRebuildsBlocksAndKeepsTheValueShare) {
    bar->setValue(50);
    bar->resize(2160 / 15, MainHeightPx);
    EXPECT_EQ(blockCount(), 16);
    EXPECT_EQ(shownBlocks(), 8);
    EXPECT_EQ(block(1)->height(), 15);

    bar->resize(2, MainHeightPx);
    bar->setValue(100);
    EXPECT_EQ(blockCount(), 0);
}

// A hidden bar gets its resize event only when shown; a value set before must
// already count the blocks of the new size.
TEST_F(ORVProgressXPWidget, HiddenBarLaysOutBeforeItsFirstRefresh) {
    bar->hide();
    bar->setGeometry(0, 0, 2160 / 15, MainHeightPx);
    bar->setValue(100);
    EXPECT_EQ(blockCount(), 16);
    EXPECT_EQ(shownBlocks(), 16);
}

// The four corner pixels take the panel's colour, which rounds the frame.
TEST_F(ORVProgressXPWidget, CornerPixelsAreMaskedWithThePanelColour) {
    bar->setValue(100);
    const QImage shot = bar->grab().toImage();
    const QRgb panel = bar->palette().color(QPalette::Button).rgb();
    const QRgb frame = bar->palette().color(QPalette::Dark).rgb();
    const int right = shot.width() - 1;
    const int bottom = shot.height() - 1;
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(right, 0), QPoint(right, bottom), QPoint(0, bottom)})
        EXPECT_EQ(shot.pixel(corner), panel) << corner.x() << "," << corner.y();
    EXPECT_EQ(shot.pixel(1, 0), frame);
    EXPECT_EQ(shot.pixel(1, 1), qRgb(224, 224, 224));
}

// Back to front: the frames, the masks over them, the blocks, and the caption over all.
TEST_F(ORVProgressXPWidget, StackingOrderKeepsCaptionInFront) {
    QStringList order;
    for (QObject* child : bar->children()) {
        if (child->isWidgetType())
            order << child->objectName();
    }
    const QStringList designed = {"Shape1",     "Image1",     "imgPic(0)",  "Shape2",
                                  "labCorn(3)", "labCorn(2)", "labCorn(1)", "labCorn(0)"};
    EXPECT_EQ(order.mid(0, designed.size()), designed);
    EXPECT_EQ(order.mid(designed.size(), 1), QStringList{"imgPic(1)"});
    EXPECT_EQ(order.last(), QStringLiteral("labTime"));
}

// Defaults are not stored, others keep their 16-bit and 32-bit types, and a
// stored style 2 starts the strip when read back.
TEST_F(ORVProgressXPWidget, PropertiesRoundTripWithTheirTypes) {
    PropertyBag bag;
    bar->WriteProperties(bag);
    EXPECT_TRUE(bag.entries().isEmpty());

    bar->setStyle(2);
    bar->setValue(60);
    bar->WriteProperties(bag);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Value"), QVariant()).typeId(), QMetaType::Short);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Style"), QVariant()).typeId(), QMetaType::Int);

    ORVProgressXP restored;
    restored.ReadProperties(bag);
    EXPECT_EQ(restored.Style(), 2);
    EXPECT_EQ(restored.Value(), 60);
    EXPECT_TRUE(restored.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_FALSE(restored.findChild<QLabel*>(QStringLiteral("Image1"))->isHidden());
}

// The pictures are the exact rows of the block gradient and the five-block strip.
TEST_F(ORVProgressXPWidget, PicturesCarryTheExactGradient) {
    const std::array<QRgb, 13> rows = {0xAAE8A8, 0x98E893, 0x7DE87D, 0x62DE67, 0x50DE52,
                                       0x35D435, 0x2CD42E, 0x2CD42E, 0x2CD42E, 0x3ED443,
                                       0x59DE60, 0x74DE76, 0x74DE76};
    const QImage blockImage = block(0)->pixmap().toImage();
    ASSERT_EQ(blockImage.size(), QSize(6, 13));
    const QImage stripImage = strip()->pixmap().toImage();
    ASSERT_EQ(stripImage.size(), QSize(40, 13));
    const std::array<int, 5> blockStarts = {1, 9, 17, 25, 33};
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(blockImage.pixel(x, y) & 0xFFFFFF, rows[y]) << x << "," << y;
        const QRgb stripRow = y == 12 ? 0x8FE893 : rows[y];
        for (int x = 0; x < 40; ++x) {
            bool inBlock = false;
            for (int start : blockStarts)
                inBlock = inBlock || (x >= start && x < start + 6);
            EXPECT_EQ(stripImage.pixel(x, y) & 0xFFFFFF, inBlock ? stripRow : 0xFFFFFFu)
                << x << "," << y;
        }
    }
}
