#include "pipeline/BusyPanel.h"
#include "PipelineFixture.h"

#include "support/TestFiles.h"

using namespace tavor;

namespace {

class BusyPanelTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        test::writeFile(clipSource, "RIFF clip");
    }
    QString clipSource = path(QStringLiteral("clip.avi"));
};

} // namespace

// The clip is written afresh at every switch-on, replacing whatever lay there.
TEST_F(BusyPanelTest, SwitchOnWritesTheClipAgainAndPlaysIt) {
    BusyPanel panel(context, clipSource);
    const QString written = path(QStringLiteral("dobk.avi"));
    test::writeFile(written, QByteArray(100000, 'z'));
    panel.ShowAVI(true, QStringLiteral("جاري التحضير للنسخ"));
    EXPECT_EQ(test::readFile(written), QByteArray("RIFF clip"));
    panel.ShowAVI(true, QStringLiteral("again"));
    EXPECT_EQ(window.openedClips, (QStringList{written, written}));
    EXPECT_TRUE(window.busyVisible && window.animationVisible && window.autoPlay);
    EXPECT_EQ(window.busyCaption, QStringLiteral("again"));
    EXPECT_GE(window.pumps, 2);

    panel.ShowAVI(false, QStringLiteral("off caption"));
    panel.ShowAVI(false, QString());
    EXPECT_FALSE(window.busyVisible || window.animationVisible || window.autoPlay);
    EXPECT_EQ(window.busyCaption, QString());
}

// A temporary folder that cannot be written loses only the animation, and no
// file left there by someone else is played instead.
TEST_F(BusyPanelTest, UnwritableTemporaryFolderStillShowsThePanel) {
    process->variables.insert(QStringLiteral("temp"), path(QStringLiteral("no/such/folder")));
    BusyPanel(context, clipSource).ShowAVI(true, QStringLiteral("caption"));
    EXPECT_TRUE(window.openedClips.isEmpty());
    EXPECT_TRUE(window.busyVisible);
    EXPECT_EQ(window.busyCaption, QStringLiteral("caption"));
}

// Wait runs events until the time has passed on the monotonic clock, and no longer.
TEST_F(BusyPanelTest, WaitEndsWhenTheMonotonicClockHasAdvanced) {
    clock->step = 250;
    BusyPanel(context).Wait(2);
    EXPECT_EQ(window.timedPumps, 8);
    window.timedPumps = 0;
    BusyPanel(context).Wait(0);
    EXPECT_EQ(window.timedPumps, 0);
}
