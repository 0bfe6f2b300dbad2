#include "controls/orvlog/RowModel.h"
#include "TestLibrary.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using tavor::ImageLibrary;
using tavor::RowModel;

namespace {

// A list 4515 x 1020 twips without border, laid out once, like a freshly placed control.
RowModel laidOutModel(bool rightToLeft = false) {
    RowModel model(tavor::test::shapedLibrary());
    model.setControlSize(4515, 1020);
    model.setBorder(false);
    model.setDirection(rightToLeft);
    model.layoutPass();
    return model;
}

const tavor::RowElement& row(const RowModel& model, int publicIndex) {
    return model.elements().at(publicIndex + 1);
}

} // namespace

// Rows must stack from top 15 in steps of one row height, and the canvas must end
// 15 twips below the last row.
TEST(ORVLogRows, AddStacksRowsAndGrowsCanvas) {
    RowModel model = laidOutModel();
    EXPECT_EQ(model.geometry().canvasHeight(), 0);
    model.Add("first", 3);
    EXPECT_EQ(row(model, 0).textTop, 15);
    EXPECT_EQ(row(model, 0).iconTop, 15);
    EXPECT_EQ(model.geometry().canvasHeight(), 225);
    model.Add("second", 1);
    EXPECT_EQ(row(model, 1).textTop, 210);
    EXPECT_EQ(model.geometry().canvasHeight(), 420);
    EXPECT_EQ(model.ListCount(), 2);
    EXPECT_EQ(model.imgKinds().size(), 3);
    EXPECT_EQ(model.imgKinds().at(0), 0);
    EXPECT_EQ(model.List(1), "second");
}

// Tags: absent gives an empty tag, a number comes back as its text, the template's is empty.
TEST(ORVLogRows, TagsAreStoredAsText) {
    RowModel model = laidOutModel();
    model.Add("a", 1);
    model.Add("b", 1, 42, "tip");
    model.Add("c", 1, 2.5);
    EXPECT_EQ(model.GetTag(0), "");
    EXPECT_EQ(model.GetTag(1), "42");
    EXPECT_EQ(model.GetTag(2), "2.5");
    EXPECT_EQ(row(model, 1).tooltip, "tip");
    EXPECT_EQ(model.GetTag(-1), "");
    model.ChangeTag(0, "/media/usb");
    EXPECT_EQ(model.GetTag(0), "/media/usb");
}

// A row added without an icon keeps it hidden through ChaneImage, until SetCheck shows it.
TEST(ORVLogRows, IconVisibilityFollowsAddAndSetCheckOnly) {
    RowModel model = laidOutModel();
    model.Add("none", 0);
    EXPECT_FALSE(row(model, 0).iconVisible);
    model.ChaneImage(0, 2);
    EXPECT_EQ(model.GetImage(0), 2);
    EXPECT_EQ(row(model, 0).pictureSlot, 1);
    EXPECT_FALSE(row(model, 0).iconVisible);
    model.SetCheck(0, 0);
    EXPECT_TRUE(row(model, 0).iconVisible);
    EXPECT_EQ(model.GetImage(0), 210);
    EXPECT_EQ(row(model, 0).iconWidth, 165);
}

// A kind naming an empty slot is stored and shows an icon element without a picture.
TEST(ORVLogRows, KindOfEmptySlotShowsBlankIcon) {
    RowModel model = laidOutModel();
    model.Add("x", 50);
    EXPECT_EQ(model.GetImage(0), 50);
    EXPECT_TRUE(row(model, 0).iconVisible);
    EXPECT_EQ(row(model, 0).pictureSlot, tavor::RowElement::NoPicture);
    // ChaneImage to an empty slot fails as a whole: the stored kind stays.
    model.ChaneImage(0, 3);
    model.ChaneImage(0, 60);
    EXPECT_EQ(model.GetImage(0), 3);
    EXPECT_EQ(row(model, 0).pictureSlot, 2);
}

// Unconvertible or out-of-range values skip their steps instead of throwing.
TEST(ORVLogRows, BadValuesAreSkippedQuietly) {
    RowModel model = laidOutModel();
    EXPECT_NO_THROW(model.Add("odd", "abc"));
    EXPECT_EQ(model.ListCount(), 1);
    EXPECT_EQ(model.GetImage(0), 0);
    EXPECT_FALSE(row(model, 0).iconVisible);
    EXPECT_NO_THROW(model.Add("big", 70000));
    EXPECT_EQ(model.GetImage(1), 0);
    model.Add("text kind", "3");
    EXPECT_EQ(model.GetImage(2), 3);
    model.ChaneImage(2, "zz");
    EXPECT_EQ(model.GetImage(2), 3);
}

// Writes past the end must neither change a row nor grow the kinds.
TEST(ORVLogRows, WritesOutsideTheListChangeNothing) {
    RowModel model = laidOutModel();
    model.Add("only", 3);
    model.ChaneImage(1, 1);
    model.SetCheck(1, 1);
    model.ChaneText(5, "ghost");
    model.ChangeTag(1, "ghost");
    model.ChaneImage(-1, 1);
    EXPECT_EQ(model.imgKinds().size(), 2);
    EXPECT_EQ(model.GetImage(0), 3);
    EXPECT_EQ(model.List(0), "only");
    EXPECT_EQ(model.List(1), "");
    EXPECT_EQ(model.GetImage(1), std::nullopt);
    EXPECT_EQ(model.GetCheck(1), -1);
    EXPECT_EQ(model.GetTag(-2), "");
    EXPECT_EQ(model.elements().at(0).pictureSlot, tavor::RowElement::NoPicture);
}

// The check states map to kinds 210..212 and back; an unmapped state only shows the icon.
TEST(ORVLogRows, CheckStatesRoundTrip) {
    RowModel model = laidOutModel();
    model.Add("row", 0);
    model.SetCheck(0, 1);
    EXPECT_EQ(model.GetCheck(0), 1);
    EXPECT_EQ(model.GetImage(0), 211);
    model.SetCheck(0, 2);
    EXPECT_EQ(model.GetCheck(0), 2);
    model.SetCheck(0, 5);
    EXPECT_EQ(model.GetImage(0), 212);
    EXPECT_EQ(row(model, 0).pictureSlot, 211);
    model.ChaneImage(0, 3);
    EXPECT_EQ(model.GetCheck(0), -1);
}

// Removing a row moves the later rows' contents up while the elements stay in place.
TEST(ORVLogRows, RemoveItemShiftsContentsUp) {
    RowModel model = laidOutModel();
    model.Add("r0", 3, "t0", "tip0");
    model.Add("r1", 1, "t1", "tip1");
    model.Add("r2", 0, "t2", "tip2");
    model.RemoveItem(0);
    ASSERT_EQ(model.ListCount(), 2);
    EXPECT_EQ(model.List(0), "r1");
    EXPECT_EQ(model.GetTag(0), "t1");
    EXPECT_EQ(row(model, 0).tooltip, "tip1");
    EXPECT_EQ(model.GetImage(0), 1);
    EXPECT_TRUE(row(model, 0).iconVisible);
    EXPECT_EQ(model.List(1), "r2");
    EXPECT_EQ(model.GetImage(1), 0);
    EXPECT_FALSE(row(model, 1).iconVisible);
    EXPECT_EQ(row(model, 0).textTop, 15);
    EXPECT_EQ(row(model, 1).textTop, 210);
    EXPECT_EQ(model.GetImage(2), std::nullopt);
    EXPECT_EQ(model.imgKinds().size(), 3);
    EXPECT_EQ(model.geometry().canvasHeight(), 420);
}

// An index past the end removes the last row; on an empty list nothing is removed.
TEST(ORVLogRows, RemoveItemAtEdges) {
    RowModel model = laidOutModel();
    model.Add("a", 1);
    model.Add("b", 2);
    model.RemoveItem(7);
    EXPECT_EQ(model.ListCount(), 1);
    EXPECT_EQ(model.List(0), "a");
    model.RemoveItem(0);
    EXPECT_EQ(model.ListCount(), 0);
    EXPECT_EQ(model.geometry().canvasHeight(), 30);
    model.RemoveItem(0);
    EXPECT_EQ(model.ListCount(), 0);
    EXPECT_EQ(model.elements().size(), 1);
    EXPECT_EQ(model.geometry().canvasHeight(), 30);
}

// Clear empties the list but keeps loaded pictures and their numbering.
TEST(ORVLogRows, ClearKeepsLoadedPictures) {
    RowModel model = laidOutModel();
    model.LoadImage(QImage(16, 16, QImage::Format_ARGB32));
    model.Add("a", 100);
    model.Add("b", 1);
    model.Clear();
    EXPECT_EQ(model.ListCount(), 0);
    EXPECT_EQ(model.geometry().canvasHeight(), 0);
    EXPECT_EQ(model.imgKinds().size(), 1);
    model.Add("c", 100);
    EXPECT_EQ(row(model, 0).textTop, 15);
    EXPECT_EQ(row(model, 0).pictureSlot, 99);
    model.LoadImage(QImage(16, 16, QImage::Format_ARGB32));
    model.Add("d", 101);
    EXPECT_EQ(row(model, 1).pictureSlot, 100);
}

// Loaded kinds run from 100; the 111th picture would take the check box's slot
// and must fail without moving the numbering.
TEST(ORVLogImages, LoadImageNumberingAndExhaustion) {
    ImageLibrary library = tavor::test::shapedLibrary();
    const QImage picture(16, 16, QImage::Format_ARGB32);
    for (int i = 0; i < 110; ++i)
        library.LoadImage(picture);
    EXPECT_EQ(library.NextImageSlot(), 209);
    EXPECT_THROW(library.LoadImage(picture), tavor::Error);
    EXPECT_THROW(library.LoadImage(picture), tavor::Error);
    EXPECT_EQ(library.NextImageSlot(), 209);
    EXPECT_EQ(library.sizeTwips(209), QSize(165, 165));
    EXPECT_EQ(library.sizeTwips(208), QSize(240, 240));
}

// Loaded pictures keep their own size, and the placement rule uses that width.
TEST(ORVLogImages, LoadedPictureKeepsItsSize) {
    RowModel model = laidOutModel(true);
    model.LoadImage(QImage(16, 16, QImage::Format_ARGB32));
    model.Add("disk", 100);
    const int canvas = model.geometry().canvasWidth();
    EXPECT_EQ(row(model, 0).iconWidth, 240);
    EXPECT_EQ(row(model, 0).iconHeight, 240);
    EXPECT_EQ(row(model, 0).iconLeft, canvas - 240 - 30);
    EXPECT_EQ(row(model, 0).textLeft, canvas - 240 - 30 - canvas - 60);
}
