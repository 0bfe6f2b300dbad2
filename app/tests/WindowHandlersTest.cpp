#include "support/WindowFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <ctime>

using namespace tavor;

namespace {

class WindowHandlers : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        linkBranch();
    }
    static double processSeconds() {
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        return double(cpu.tv_sec) + cpu.tv_nsec / 1e9;
    }
};

} // namespace

// The copy button is wired to the run, and the run refuses to start without a drive.
TEST_F(WindowHandlers, CopyButtonWithoutDriveWarnsAndWritesNothing) {
    frmBackup window(platform);
    ASSERT_EQ(load(window), -1);
    messages->shown.clear();
    const int writesBefore = registry->writeCount();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCopy")), Qt::LeftButton);
    ASSERT_EQ(messages->shown.size(), 1) << messages->shown.last().text.toStdString();
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Warning);
    EXPECT_TRUE(window.control(QStringLiteral("cmdCopy"))->isEnabled());
    EXPECT_EQ(registry->writeCount(), writesBefore);
}

// A reset gesture whose store fails reports the error and the program goes on.
TEST_F(WindowHandlers, ResetGestureThatCannotStoreReportsAndKeepsRunning) {
    frmBackup window(platform);
    ASSERT_EQ(load(window), -1);
    messages->shown.clear();
    database->state->refuseExecute = true;
    auto* label1 = window.findChild<QLabel*>(QStringLiteral("Label1"));
    QTest::mousePress(label1, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(messages->shown.isEmpty());
    QTest::mousePress(label1, Qt::RightButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Critical);
    EXPECT_TRUE(messages->shown.front().text.contains(QStringLiteral("   ")));
    EXPECT_EQ(process->endCalls, 0);
}

// Wait keeps the window alive without spinning: it never returns early, and the
// processor time it takes is a small part of the wait.
TEST_F(WindowHandlers, WaitNeverReturnsEarlyAndDoesNotSpin) {
    frmBackup window(platform);
    QElapsedTimer elapsed;
    elapsed.start();
    const double cpuBefore = processSeconds();
    window.Wait(1);
    EXPECT_GE(elapsed.elapsed(), 1000);
    EXPECT_LT(processSeconds() - cpuBefore, 0.2);
    elapsed.restart();
    window.Wait(0);
    EXPECT_LT(elapsed.elapsed(), 50);
}
