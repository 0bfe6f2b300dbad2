#include "controls/animation/AnimationControl.h"
#include "base/Error.h"
#include "resources/BusyResources.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using tavor::AnimationControl;

namespace {

class AnimationControlTest : public testing::Test {
protected:
    void SetUp() override { tavorInitBusyResources(); }

    bool advancesTo(int frame) {
        return QTest::qWaitFor([&] { return control.currentFrame() == frame; }, 3000);
    }

    AnimationControl control;
};

} // namespace

// Auto-play must start the clip as soon as it is opened, at the clip's own rate.
TEST_F(AnimationControlTest, AutoPlayStartsTheClipWhenOpened) {
    control.setAutoPlay(true);
    control.Open(tavor::BusyResources::Clip);
    EXPECT_TRUE(control.isPlaying());
    EXPECT_EQ(control.frameCount(), 60);
    EXPECT_EQ(control.frameInterval(), 67);
    EXPECT_TRUE(advancesTo(3));
}

TEST_F(AnimationControlTest, WithoutAutoPlayOpeningShowsTheFirstFrameOnly) {
    control.Open(tavor::BusyResources::Clip);
    EXPECT_FALSE(control.isPlaying());
    QTest::qWait(200);
    EXPECT_EQ(control.currentFrame(), 0);
    control.Play();
    EXPECT_TRUE(advancesTo(2));
}

// Stop must halt the timer, not just hide the frames going by.
TEST_F(AnimationControlTest, StopHoldsTheCurrentFrame) {
    control.setAutoPlay(true);
    control.Open(tavor::BusyResources::Clip);
    ASSERT_TRUE(advancesTo(2));
    control.Stop();
    EXPECT_FALSE(control.isPlaying());
    const int held = control.currentFrame();
    QTest::qWait(300);
    EXPECT_EQ(control.currentFrame(), held);
}

TEST_F(AnimationControlTest, PlayingLoopsFromTheLastFrameToTheFirst) {
    control.Open(tavor::BusyResources::Clip);
    control.Seek(59);
    control.Play();
    EXPECT_TRUE(advancesTo(0));
    EXPECT_THROW(control.Seek(60), tavor::Error);
}

// A failed open must not keep playing the clip that was open before.
TEST_F(AnimationControlTest, FailedOpenLeavesTheControlEmpty) {
    QFile clip(tavor::BusyResources::Clip);
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    QTemporaryDir folder;
    QFile cut(folder.filePath(QStringLiteral("cut.avi")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(clip.readAll().chopped(100));
    cut.close();

    control.setAutoPlay(true);
    for (const QString& path : {cut.fileName(), folder.filePath(QStringLiteral("none.avi"))}) {
        control.Open(tavor::BusyResources::Clip);
        ASSERT_TRUE(control.isPlaying());
        EXPECT_THROW(control.Open(path), tavor::Error);
        EXPECT_FALSE(control.isPlaying());
        EXPECT_EQ(control.frameCount(), 0);
        control.Play();
        EXPECT_FALSE(control.isPlaying());
    }
}

TEST_F(AnimationControlTest, CloseStopsAndEmpties) {
    control.setAutoPlay(true);
    control.Open(tavor::BusyResources::Clip);
    control.Close();
    EXPECT_FALSE(control.isPlaying());
    EXPECT_EQ(control.frameCount(), 0);
    EXPECT_EQ(control.frameInterval(), 0);
}
