#include "support/WindowFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

class WindowLayout : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        disks->disks = {{QStringLiteral("/"), 3, false, {}},
                        {QStringLiteral("/media/usb0"), 2, false, {}}};
        linkBranch();
        answer(QStringLiteral("Sys_BranchName"), QStringLiteral("الفرع الرئيسي"));
        answer(QStringLiteral("Sys_BranchType"), QStringLiteral("فرع"));
    }

    // The bottom edge, in twips of the window's client area, of a control.
    int clientBottom(const frmBackup& window, const QString& name) {
        int bottom = window.twipsGeometry(name).bottom() + 1;
        for (QString c = window.containerName(name); c != QLatin1String("frmBackup");
             c = window.containerName(c))
            bottom += window.twipsGeometry(c).top();
        return bottom;
    }

    static void saveScreenshot(frmBackup& window, const QString& name) {
        QDir().mkpath(QStringLiteral(TAVOR_BINARY_DIR "/screenshots"));
        EXPECT_TRUE(window.grab().save(QStringLiteral(TAVOR_BINARY_DIR "/screenshots/") + name));
    }
};

} // namespace

// Normal mode must show everything above the maintenance panel and hide the
// panel: the progress bar's bottom edge meets the client area's bottom edge.
TEST_F(WindowLayout, NormalHeightEndsExactlyAtMaintenancePanel) {
    frmBackup window(platform);
    window.Load();
    const int clientHeight = window.outerHeight() - FormDesign::FrameAbove - FormDesign::FrameBelow;
    EXPECT_EQ(clientHeight, 3645);
    EXPECT_EQ(window.height(), 3645 / FormDesign::TwipsPerPixel);
    EXPECT_EQ(clientBottom(window, QStringLiteral("ORVProgressXP1")), clientHeight);
    EXPECT_EQ(window.twipsGeometry(QStringLiteral("Picture3")).top(), clientHeight);
    EXPECT_GE(window.twipsGeometry(QStringLiteral("Image2")).top(), clientHeight);
    EXPECT_GE(window.twipsGeometry(QStringLiteral("Text1")).top(), clientHeight);
    saveScreenshot(window, QStringLiteral("window-normal.png"));
}

TEST_F(WindowLayout, MaintenanceHeightShowsPanelButNotTestOutput) {
    process->commandLineText = QStringLiteral("/M");
    frmBackup window(platform);
    window.Load();
    const int clientHeight = window.outerHeight() - FormDesign::FrameAbove - FormDesign::FrameBelow;
    EXPECT_EQ(clientHeight, 6945);
    EXPECT_EQ(clientBottom(window, QStringLiteral("Picture3")) - clientHeight, 30);
    EXPECT_GT(window.twipsGeometry(QStringLiteral("Text1")).top(), clientHeight);
    saveScreenshot(window, QStringLiteral("window-maintenance.png"));
}

// Geometry is never mirrored by the right-to-left layout: a control's pixel
// position follows its twips from the container's top-left corner.
TEST_F(WindowLayout, RightToLeftDoesNotMirrorGeometry) {
    frmBackup window(platform);
    window.Load();
    EXPECT_EQ(window.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(window.control(QStringLiteral("cmdCopy"))->x(), 90 / 15);
    EXPECT_EQ(window.control(QStringLiteral("Image1"))->x(), 5925 / 15);
    EXPECT_EQ(window.control(QStringLiteral("Picture1"))->x(), -1);
}

// The data-set list, once shown, must cover the wait notice beneath it, and the
// busy panel must lie in front of the progress bar.
TEST_F(WindowLayout, DesignOrderDecidesStackingAndBusyPanelIsInFront) {
    frmBackup window(platform);
    window.Load();
    QWidget* panel = window.control(QStringLiteral("Picture2"));
    const QObjectList& stack = panel->children(); // bottom first
    const auto position = [&](const char* name) {
        return stack.indexOf(window.control(QString::fromLatin1(name)));
    };
    EXPECT_GT(position("ORVLog2"), position("Label2"));
    EXPECT_GT(position("Picture1"), position("ORVProgressXP1"));
    EXPECT_EQ(stack.last(), window.control(QStringLiteral("Picture1")));
}
