#include "controls/progress/ProgressLayout.h"

#include <gtest/gtest.h>

using tavor::ProgressLayout;

// The main window's bar is 4305 x 285 twips: a wrong stop rule gives 31 or 33 blocks.
TEST(ORVProgressXPLayout, MainWindowBarHas32BlocksAt135TwipSteps) {
    const ProgressLayout layout(4305, 285);
    EXPECT_EQ(layout.blockCount(), 32);
    EXPECT_EQ(layout.blockRect(0), QRect(-90, 30, 90, 225));
    EXPECT_EQ(layout.blockRect(1), QRect(45, 30, 90, 225));
    EXPECT_EQ(layout.blockRect(2), QRect(180, 30, 90, 225));
    // The last block is the first whose right edge reaches W - 45; it may reach into the frame.
    EXPECT_EQ(layout.blockRect(32).left(), 4230);
    EXPECT_LT(layout.blockRect(31).left() + 90, 4305 - 45);
}

// The stop rule at its edges: a block ending exactly at W - 45 is the last one.
TEST(ORVProgressXPLayout, BlockCountAtTheStopRuleEdges) {
    EXPECT_EQ(ProgressLayout(45, 285).blockCount(), 0);
    EXPECT_EQ(ProgressLayout(46, 285).blockCount(), 1);
    EXPECT_EQ(ProgressLayout(180, 285).blockCount(), 1);
    EXPECT_EQ(ProgressLayout(181, 285).blockCount(), 2);
    EXPECT_EQ(ProgressLayout(0, 285).blockCount(), 0);
    EXPECT_EQ(ProgressLayout(-300, 285).blockCount(), 0);
}

// value x n / 100 rounds halves to the even neighbour, not always up.
TEST(ORVProgressXPLayout, ShownBlocksRoundHalvesToEven) {
    EXPECT_EQ(ProgressLayout::shownBlocks(50, 32), 16);
    EXPECT_EQ(ProgressLayout::shownBlocks(1, 32), 0);
    EXPECT_EQ(ProgressLayout::shownBlocks(2, 32), 1);
    EXPECT_EQ(ProgressLayout::shownBlocks(100, 32), 32);
    EXPECT_EQ(ProgressLayout::shownBlocks(25, 10), 2);
    EXPECT_EQ(ProgressLayout::shownBlocks(35, 10), 4);
    EXPECT_EQ(ProgressLayout::shownBlocks(45, 10), 4);
    EXPECT_EQ(ProgressLayout::shownBlocks(0, 32), 0);
}

// A value out of 0..100 must never name a block that does not exist.
TEST(ORVProgressXPLayout, ShownBlocksStayWithinZeroAndCount) {
    EXPECT_EQ(ProgressLayout::shownBlocks(101, 32), 32);
    EXPECT_EQ(ProgressLayout::shownBlocks(32767, 32), 32);
    EXPECT_EQ(ProgressLayout::shownBlocks(-1, 32), 0);
    EXPECT_EQ(ProgressLayout::shownBlocks(-32768, 32), 0);
    EXPECT_EQ(ProgressLayout::shownBlocks(100, 0), 0);
}

TEST(ORVProgressXPLayout, SlidingStyleHidesEveryBlockAndOtherStylesActLikeZero) {
    EXPECT_TRUE(ProgressLayout::blockVisible(1, 16, 0));
    EXPECT_TRUE(ProgressLayout::blockVisible(16, 16, 7));
    EXPECT_FALSE(ProgressLayout::blockVisible(17, 16, 1));
    EXPECT_FALSE(ProgressLayout::blockVisible(0, 16, 0));
    EXPECT_FALSE(ProgressLayout::blockVisible(1, 32, 2));
    EXPECT_TRUE(ProgressLayout::showsCaption(1));
    EXPECT_FALSE(ProgressLayout::showsCaption(-1));
    EXPECT_FALSE(ProgressLayout::slides(3));
}

// Frames and corner masks follow W and H; the inner frame is inset one pixel.
TEST(ORVProgressXPLayout, FrameCornersAndCaptionFollowTheSize) {
    const ProgressLayout layout(4305, 285);
    EXPECT_EQ(layout.outerFrame(), QRect(0, 0, 4305, 285));
    EXPECT_EQ(layout.innerFrame(), QRect(15, 15, 4275, 255));
    EXPECT_EQ(layout.cornerRect(0), QRect(0, 0, 15, 15));
    EXPECT_EQ(layout.cornerRect(1), QRect(4290, 0, 15, 15));
    EXPECT_EQ(layout.cornerRect(2), QRect(4290, 270, 15, 15));
    EXPECT_EQ(layout.cornerRect(3), QRect(0, 270, 15, 15));
    EXPECT_EQ(layout.captionRect(195), QRect(60, 45, 4305, 195));
    EXPECT_EQ(layout.stripRect(15), QRect(15, 30, 600, 225));
}

// The strip moves 150 twips a tick and re-enters at -600 only once past W.
TEST(ORVProgressXPLayout, StripReentersFromTheLeftOncePastTheRightEdge) {
    const ProgressLayout layout(4305, 285);
    EXPECT_EQ(layout.nextStripLeft(15), 165);
    EXPECT_EQ(layout.nextStripLeft(4155), 4305);
    EXPECT_EQ(layout.nextStripLeft(4215), -600);
    EXPECT_EQ(layout.nextStripLeft(-600), -450);
}

// A bar smaller than its margins must give empty widgets, not negative sizes.
TEST(ORVProgressXPLayout, PixelsOfNegativeSizesAreEmpty) {
    EXPECT_EQ(ProgressLayout::toPixels(QRect(45, 30, 90, 225)), QRect(3, 2, 6, 15));
    EXPECT_EQ(ProgressLayout::toPixels(QRect(-600, 30, 600, -30)), QRect(-40, 2, 40, 0));
}
