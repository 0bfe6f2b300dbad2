#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "pipeline/ImageKind.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

// The window's widgets show its model: what the pipeline sets there appears on
// screen, and what the operator does on screen lands there, where the run and the
// state dump read it.
class ModelView : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        disks->disks = {{QStringLiteral("/"), 3, false, {}},
                        {QStringLiteral("/media/usb0"), 2, false, {}}};
        linkBranch();
        process->commandLineText = QStringLiteral("/M");
    }

    // The middle of a row's text, as the operator would click it.
    static QPoint rowPixel(const ORVLog& list, int row) {
        const RowElement& element = list.model().elements().at(row + 1);
        const ListGeometry& g = list.model().geometry();
        const int border = list.BorderStyle() ? ListGeometry::BorderPixels : 0;
        return {(g.canvasLeft() + element.textLeft) / 15 + border + 20,
                (g.canvasTop() + element.textTop + element.textHeight / 2) / 15 + border};
    }
};

} // namespace

// A drive row clicked, a pattern typed and entered, the test statement edited and
// the window closed: each reaches the model, and the run takes the clicked drive.
TEST_F(ModelView, ClicksTypingAndClosingReachTheModel) {
    frmBackup window(platform);
    ASSERT_EQ(load(window), -1);
    const WindowModel& model = window.model();

    const BackupWindow& seen = window.form().context().window;
    ASSERT_NE(seen.selectedDriveTag(), QStringLiteral("/media/usb0"));
    QTest::mouseClick(window.ORVLog1(), Qt::LeftButton, {}, rowPixel(*window.ORVLog1(), 1));
    EXPECT_EQ(seen.selectedDriveTag(), QStringLiteral("/media/usb0"));

    QLineEdit* pattern = window.control<QComboBox>("Text2")->lineEdit();
    pattern->selectAll();
    QTest::keyClicks(pattern, QStringLiteral("*.bak"));
    EXPECT_EQ(model.control(QStringLiteral("Text2")).text, QStringLiteral("*.bak"));
    EXPECT_EQ(model.control(QStringLiteral("File1")).pattern, QStringLiteral("*.bak"))
        << "the pattern's handler read the pattern before it reached the model";
    QTest::keyClick(pattern, Qt::Key_Return);
    EXPECT_EQ(model.control(QStringLiteral("Text2")).items.last(), QStringLiteral("*.bak"));

    QTest::keyClicks(window.control<QLineEdit>("Text1"), QStringLiteral(" edited"));
    EXPECT_EQ(model.control(QStringLiteral("Text1")).text, QStringLiteral("Text1 edited"));

    ASSERT_TRUE(model.isVisible());
    window.close();
    EXPECT_FALSE(model.isVisible());
}

// The busy panel with its playing clip, the progress and a row's tick, set by the
// pipeline on the model, are on screen; closing the panel stops the clip.
TEST_F(ModelView, WidgetsShowWhatThePipelineSets) {
    QTemporaryDir temp;
    process->variables.insert(QStringLiteral("temp"), temp.path());
    frmBackup window(platform);
    ASSERT_EQ(load(window), -1);
    BackupWindow& pipeline = window.form().context().window;

    window.ShowAVI(true, QStringLiteral("جاري التحضير للنسخ"));
    EXPECT_FALSE(window.control(QStringLiteral("Picture1"))->isHidden());
    EXPECT_EQ(window.control<QLabel>("Label4")->text(), QStringLiteral("جاري التحضير للنسخ"));
    EXPECT_TRUE(window.animation()->isPlaying());
    window.ShowAVI(false, QString());
    EXPECT_TRUE(window.control(QStringLiteral("Picture1"))->isHidden());
    EXPECT_FALSE(window.animation()->isPlaying());

    pipeline.showProgress();
    pipeline.setProgressValue(40);
    EXPECT_FALSE(window.ORVProgressXP1()->isHidden());
    EXPECT_EQ(window.ORVProgressXP1()->Value(), 40);

    pipeline.addBackupRow(QStringLiteral("نسخ التوقيعات"), ImageKind::Pending, QString());
    pipeline.setBackupRowImage(0, ImageKind::Done);
    EXPECT_EQ(window.ORVLog2()->GetImage(0), ImageKind::Done);
}
