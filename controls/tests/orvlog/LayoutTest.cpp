#include "TestLibrary.h"
#include "controls/orvlog/ListGeometry.h"
#include "controls/orvlog/RowModel.h"

#include <gtest/gtest.h>

using tavor::ListGeometry;
using tavor::RowModel;

namespace {

RowModel modelOfSize(int width, int height, bool border, bool rightToLeft = false) {
    RowModel model(tavor::test::shapedLibrary());
    model.setControlSize(width, height);
    model.setBorder(border);
    model.setDirection(rightToLeft);
    model.layoutPass();
    return model;
}

void addRows(RowModel& model, int count) {
    for (int i = 0; i < count; ++i)
        model.Add(QString("row %1").arg(i), 3);
}

} // namespace

// 1020 twips hold five rows of 195: only the rows beyond them count as scroll range.
TEST(ORVLogLayout, ScrollRangeCountsRowsThatDoNotFit) {
    RowModel model = modelOfSize(4515, 1020, false);
    addRows(model, 5);
    EXPECT_EQ(model.geometry().scrollMax(), 0);
    addRows(model, 2);
    EXPECT_EQ(model.geometry().scrollMax(), 2);
    EXPECT_EQ(model.geometry().pageStep(), 5);
    EXPECT_EQ(model.geometry().smallStep(), 1);
    EXPECT_EQ(model.RowsView(), 5);
}

// With auto-hide the bar appears exactly when a row no longer fits; without it, always.
TEST(ORVLogLayout, ScrollAutoHideFollowsOverflow) {
    RowModel model = modelOfSize(4515, 1020, false);
    EXPECT_TRUE(model.geometry().scrollVisible());
    model.setScrollAutoHide(true);
    EXPECT_FALSE(model.geometry().scrollVisible());
    addRows(model, 5);
    EXPECT_FALSE(model.geometry().scrollVisible());
    addRows(model, 1);
    EXPECT_TRUE(model.geometry().scrollVisible());
    model.RemoveItem(0);
    EXPECT_FALSE(model.geometry().scrollVisible());
    model.setScrollAutoHide(false);
    EXPECT_TRUE(model.geometry().scrollVisible());
}

// Scrolling moves the canvas by whole rows; values outside the range are ignored.
TEST(ORVLogLayout, TopItemScrollsByWholeRows) {
    RowModel model = modelOfSize(4515, 1020, false);
    addRows(model, 7);
    model.setTopItem(2);
    EXPECT_EQ(model.geometry().canvasTop(), -390);
    EXPECT_EQ(model.TopItem(), 2);
    model.setTopItem(3);
    model.setTopItem(-1);
    EXPECT_EQ(model.TopItem(), 2);
    model.scrollTo(1);
    EXPECT_EQ(model.geometry().canvasTop(), -195);
    // Fewer rows lower the maximum, and the value and canvas follow it.
    model.setTopItem(2);
    model.RemoveItem(0);
    EXPECT_EQ(model.geometry().scrollMax(), 1);
    EXPECT_EQ(model.geometry().canvasTop(), -195);
}

// Clear brings the scroll value and the canvas back to the top.
TEST(ORVLogLayout, ClearReturnsToTop) {
    RowModel model = modelOfSize(4515, 1020, false);
    addRows(model, 9);
    model.setTopItem(4);
    model.Clear();
    EXPECT_EQ(model.geometry().scrollValue(), 0);
    EXPECT_EQ(model.geometry().canvasTop(), 0);
    EXPECT_EQ(model.TopItem(), 0);
}

// The border takes 60 twips off the canvas width and the scroll bar height.
TEST(ORVLogLayout, BorderAllowance) {
    RowModel framed = modelOfSize(4515, 825, true);
    EXPECT_EQ(framed.geometry().canvasWidth(), 4200);
    EXPECT_EQ(framed.geometry().scrollHeight(), 765);
    EXPECT_EQ(framed.geometry().borderStyle(), 1);
    RowModel plain = modelOfSize(4515, 825, false);
    EXPECT_EQ(plain.geometry().canvasWidth(), 4260);
    EXPECT_EQ(plain.geometry().scrollHeight(), 825);
    EXPECT_EQ(plain.geometry().borderStyle(), 0);
}

// The pass sizes by the border style in force when it starts, then applies Border.
TEST(ORVLogLayout, LayoutPassUsesBorderStyleBeforeApplyingBorder) {
    RowModel model(tavor::test::shapedLibrary());
    model.setControlSize(4515, 825);
    model.setBorderStyle(0);
    model.setBorderFlag(true);
    model.layoutPass();
    EXPECT_EQ(model.geometry().canvasWidth(), 4260);
    EXPECT_EQ(model.geometry().borderStyle(), 1);
    model.layoutPass();
    EXPECT_EQ(model.geometry().canvasWidth(), 4200);
}

// Left to right: icons at the left, scroll bar at the right edge of the canvas.
TEST(ORVLogLayout, LeftToRightPlacement) {
    RowModel model = modelOfSize(4515, 1020, false);
    model.Add("a", 1);
    model.SetCheck(0, 0);
    const auto& row = model.elements().at(1);
    EXPECT_EQ(model.geometry().canvasLeft(), 0);
    EXPECT_EQ(model.geometry().scrollLeft(), 4260);
    EXPECT_EQ(row.iconLeft, 30);
    // The check box is narrower, but SetCheck does not place the row again.
    EXPECT_EQ(row.textLeft, 180 + 45);
    EXPECT_EQ(row.textWidth, 4260);
    model.layoutPass();
    EXPECT_EQ(model.elements().at(1).textLeft, 165 + 45);
}

// Right to left: scroll bar at the left, icons 30 twips from the right, text ending
// 60 twips before the icon; a wider control keeps text widths and follows the right edge.
TEST(ORVLogLayout, RightToLeftPlacementFollowsRightEdge) {
    RowModel model = modelOfSize(4515, 1020, false, true);
    model.Add("a", 1);
    EXPECT_EQ(model.geometry().scrollLeft(), 0);
    EXPECT_EQ(model.geometry().canvasLeft(), ListGeometry::ScrollBarWidth);
    const auto& before = model.elements().at(1);
    EXPECT_EQ(before.iconLeft, 4260 - 180 - 30);
    EXPECT_EQ(before.textLeft + before.textWidth, before.iconLeft - 60);

    model.setControlSize(6015, 1020);
    model.layoutPass();
    const auto& after = model.elements().at(1);
    EXPECT_EQ(after.textWidth, 4260);
    EXPECT_EQ(after.iconLeft, 5760 - 180 - 30);
    EXPECT_EQ(after.textLeft, after.iconLeft - 4260 - 60);
}

// A control lower than one row: the page step of 0 is refused, the rest still runs.
TEST(ORVLogLayout, TinyControlKeepsPreviousPageStep) {
    RowModel model = modelOfSize(4515, 1020, false);
    addRows(model, 2);
    model.setControlSize(4515, 100);
    model.layoutPass();
    EXPECT_EQ(model.geometry().pageStep(), 5);
    EXPECT_EQ(model.geometry().scrollMax(), 2);
    EXPECT_EQ(model.RowsView(), 0);
}

// A control narrower than its scroll bar must not produce a negative canvas.
TEST(ORVLogLayout, NarrowControlKeepsCanvasWidth) {
    RowModel model = modelOfSize(4515, 1020, true);
    const int width = model.geometry().canvasWidth();
    model.setControlSize(200, 1020);
    model.layoutPass();
    EXPECT_EQ(model.geometry().canvasWidth(), width);
}
