#include "window/ModelWindow.h"
#include "base/Error.h"
#include "pipeline/ImageKind.h"
#include "pipeline/MainState.h"
#include "window/WindowModel.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

// The window on its model alone, as the unattended commands have it: no widget, no
// display, on a QCoreApplication.
class ModelWindowTest : public testing::Test {
protected:
    WindowModel model;
    MainState state;
    QTimer timer;
    ModelWindow window{model, state, timer};
};

} // namespace

// Without a widget the data-set list once had no pictures, so every tick and cross
// of a run was dropped from the dump: the built-in kinds take, a kind without a
// picture leaves the row as it was.
TEST_F(ModelWindowTest, DataSetRowsTakeTheBuiltInPicturesWithoutAWidget) {
    const struct {
        int image;
        int shown;
    } cases[] = {
        {ImageKind::Working, ImageKind::Working},
        {ImageKind::Done, ImageKind::Done},
        {ImageKind::Failed, ImageKind::Failed},
        {ImageKind::RemovableDrive, ImageKind::Failed},
    };
    window.addBackupRow(QStringLiteral("نسخ التوقيعات"), ImageKind::Pending,
                        QStringLiteral("/srv/TAVOR_SG.bak"));
    const RowModel& rows = model.list(QStringLiteral("ORVLog2"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        window.setBackupRowImage(0, c.image);
        EXPECT_EQ(rows.GetImage(0), c.shown);
    }
}

// The pattern box behaves as the combo box it models: the first choices added to an
// empty list become its text, later ones leave the text alone, and choosing the
// first choice brings it back.
TEST_F(ModelWindowTest, PatternBoxShowsTheFirstChoiceOnlyWhenItsListWasEmpty) {
    const QStringList first = {QStringLiteral("TAVOR_07*b?.*"), QStringLiteral("*.*")};
    window.appendPatternChoices({});
    EXPECT_EQ(window.patternText(), QString());
    window.appendPatternChoices(first);
    EXPECT_EQ(window.patternText(), first.front());
    window.setPatternText(QStringLiteral("typed"));
    window.appendPatternChoices({QStringLiteral("other")});
    EXPECT_EQ(window.patternText(), QStringLiteral("typed"));
    EXPECT_EQ(model.control(QStringLiteral("Text2")).items.size(), 3);
    window.selectFirstPatternChoice();
    EXPECT_EQ(window.patternText(), first.front());
}

// A control the design does not have is an error, as it was on the widgets, not a
// silently empty entry.
TEST_F(ModelWindowTest, ControlTheDesignLacksRaises) {
    EXPECT_THROW(model.place(QStringLiteral("Picture9"), 0, 0, 1, 1), Error);
    EXPECT_THROW(model.setText(QStringLiteral("Label9"), QStringLiteral("x")), Error);
    EXPECT_THROW(model.list(QStringLiteral("Label1")), Error);
}
