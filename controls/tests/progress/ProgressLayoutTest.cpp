#include "controls/progress/ProgressLayout.h"

#include <gtest/gtest.h>

using tavor::ProgressLayout;

// The stop rule: a wrong comparison gives 31 or 33 blocks on the main window's bar.
TEST(ORVProgressXPLayout, BlockCountFollowsTheStopRule) {
    EXPECT_EQ(ProgressLayout(4305, 285).blockCount(), 32);
    EXPECT_EQ(ProgressLayout(45, 285).blockCount(), 0);
    EXPECT_EQ(ProgressLayout(46, 285).blockCount(), 1);
    EXPECT_EQ(ProgressLayout(180, 285).blockCount(), 1);
    EXPECT_EQ(ProgressLayout(181, 285).blockCount(), 2);
    EXPECT_EQ(ProgressLayout(-300, 285).blockCount(), 0);
}

// value x n / 100 rounds halves to the even neighbour, and never names a block
// outside 1..n whatever the value.
TEST(ORVProgressXPLayout, ShownBlocksRoundHalvesToEvenWithinZeroAndCount) {
    EXPECT_EQ(ProgressLayout::shownBlocks(50, 32), 16);
    EXPECT_EQ(ProgressLayout::shownBlocks(1, 32), 0);
    EXPECT_EQ(ProgressLayout::shownBlocks(25, 10), 2);
    EXPECT_EQ(ProgressLayout::shownBlocks(35, 10), 4);
    EXPECT_EQ(ProgressLayout::shownBlocks(101, 32), 32);
    EXPECT_EQ(ProgressLayout::shownBlocks(32767, 32), 32);
    EXPECT_EQ(ProgressLayout::shownBlocks(-1, 32), 0);
    EXPECT_EQ(ProgressLayout::shownBlocks(100, 0), 0);
}

// Styles other than 1 and 2 must behave like 0, not like the sliding strip.
TEST(ORVProgressXPLayout, UnknownStylesShowBlocksOnly) {
    EXPECT_TRUE(ProgressLayout::blockVisible(16, 16, 7));
    EXPECT_FALSE(ProgressLayout::blockVisible(17, 16, 7));
    EXPECT_FALSE(ProgressLayout::blockVisible(1, 32, 2));
    EXPECT_FALSE(ProgressLayout::showsCaption(-1));
    EXPECT_FALSE(ProgressLayout::slides(3));
}

// A bar smaller than its margins must give empty widgets, not negative sizes.
TEST(ORVProgressXPLayout, PixelsOfNegativeSizesAreEmpty) {
    EXPECT_EQ(ProgressLayout::toPixels(QRect(45, 30, 90, 225)), QRect(3, 2, 6, 15));
    EXPECT_EQ(ProgressLayout::toPixels(QRect(-600, 30, 600, -30)), QRect(-40, 2, 40, 0));
}
