#include "TestLibrary.h"
#include "controls/orvlog/RowModel.h"
#include "controls/orvlog/SystemColor.h"

#include <QStringList>
#include <gtest/gtest.h>

using tavor::RowModel;
using tavor::SystemColor;

namespace {

// A model with three rows that records its events in order.
struct Recorder {
    RowModel model{tavor::test::shapedLibrary()};
    QStringList events;
    std::function<void(int&, int&)> onImageClick;

    Recorder() {
        model.setControlSize(4515, 1020);
        model.setBorder(false);
        model.setAllowFocusChange(true);
        model.layoutPass();
        model.setEvents({
            [this] { events << QString("Click"); },
            [this] { events << QString("DblClick"); },
            [this](int& index, int& kind) {
                events << QString("ImageClick(%1,%2)").arg(index).arg(kind);
                if (onImageClick)
                    onImageClick(index, kind);
            },
        });
        model.Add("r0", 210);
        model.Add("r1", 3);
        model.Add("r2", 211);
    }

    bool highlighted(int publicIndex) const {
        return model.elements().at(publicIndex + 1).back == SystemColor::Highlight;
    }
    int highlightCount() const {
        int count = 0; // the hidden template may carry the highlight; it is never shown
        for (qsizetype k = 1; k < model.elements().size(); ++k)
            count += model.elements().at(k).back == SystemColor::Highlight ? 1 : 0;
        return count;
    }
    // Centre of a row's icon or text, in the control's twips.
    QPoint iconOf(int publicIndex) const {
        const auto& row = model.elements().at(publicIndex + 1);
        return {model.geometry().canvasLeft() + row.iconLeft + row.iconWidth / 2,
                model.geometry().canvasTop() + row.iconTop + row.iconHeight / 2};
    }
    QPoint textOf(int publicIndex) const {
        const auto& row = model.elements().at(publicIndex + 1);
        return {model.geometry().canvasLeft() + row.textLeft + 300,
                model.geometry().canvasTop() + row.textTop + row.textHeight / 2};
    }
    void clickAt(const QPoint& at) { model.click(model.hitTest(at.x(), at.y())); }
};

} // namespace

// Writing ListIndex highlights exactly that row and raises Click; no range check.
TEST(ORVLogSelection, ListIndexWriteSelectsAndClicks) {
    Recorder r;
    EXPECT_EQ(r.model.ListIndex(), -1);
    r.model.setListIndex(2);
    EXPECT_TRUE(r.highlighted(2));
    EXPECT_EQ(r.highlightCount(), 1);
    EXPECT_EQ(r.events, QStringList{"Click"});
    r.model.setListIndex(99);
    EXPECT_EQ(r.model.ListIndex(), 99);
    EXPECT_EQ(r.highlightCount(), 0);
    EXPECT_EQ(r.events.size(), 2);
}

// Row operations leave the list without a selection.
TEST(ORVLogSelection, RowOperationsClearSelection) {
    Recorder r;
    r.model.setListIndex(1);
    r.model.Add("r3", 1);
    EXPECT_EQ(r.model.ListIndex(), -1);
    EXPECT_EQ(r.highlightCount(), 0);
    r.model.setListIndex(1);
    r.model.RemoveItem(3);
    EXPECT_EQ(r.model.ListIndex(), -1);
    r.model.setListIndex(1);
    r.model.Clear();
    EXPECT_EQ(r.model.ListIndex(), -1);
}

// A resize repaints every row normal, while ListIndex keeps reporting the row.
TEST(ORVLogSelection, LayoutPassDropsHighlightKeepsIndex) {
    Recorder r;
    r.model.setListIndex(1);
    r.model.setControlSize(6000, 1020);
    r.model.layoutPass();
    EXPECT_EQ(r.highlightCount(), 0);
    EXPECT_EQ(r.model.ListIndex(), 1);
}

// BackColor reaches the control's own background at once and the rows only at
// the next SelectRow.
TEST(ORVLogSelection, BackColorReachesRowsAtNextSelectRow) {
    Recorder r;
    r.model.setBackColor(0x00FFFFFF);
    EXPECT_EQ(r.model.ownBackColor(), 0x00FFFFFFu);
    EXPECT_EQ(r.model.elements().at(1).back, SystemColor::WindowBackground);
    r.model.setForeColor(0x000000FF);
    r.model.setListIndex(0);
    EXPECT_EQ(r.model.elements().at(2).back, 0x00FFFFFFu);
    EXPECT_EQ(r.model.elements().at(2).fore, 0x000000FFu);
    EXPECT_EQ(r.model.elements().at(1).fore, SystemColor::HighlightText);
}

// A click on a row's text selects it and raises Click.
TEST(ORVLogClicks, TextClickSelects) {
    Recorder r;
    r.clickAt(r.textOf(1));
    EXPECT_EQ(r.model.ListIndex(), 1);
    EXPECT_TRUE(r.highlighted(1));
    EXPECT_EQ(r.events, QStringList{"Click"});
}

// Without focus change the highlight stays, yet ListIndex reports the clicked row.
TEST(ORVLogClicks, NoFocusChangeKeepsHighlight) {
    Recorder r;
    r.model.setListIndex(0);
    r.events.clear();
    r.model.setAllowFocusChange(false);
    r.clickAt(r.textOf(1));
    EXPECT_EQ(r.model.ListIndex(), 1);
    EXPECT_TRUE(r.highlighted(0));
    EXPECT_FALSE(r.highlighted(1));
    EXPECT_EQ(r.events, QStringList{"Click"});
}

// A check box toggles after ImageClick and Click: unchecked to checked, checked to unchecked.
TEST(ORVLogClicks, CheckBoxIconToggles) {
    Recorder r;
    r.clickAt(r.iconOf(0));
    EXPECT_EQ(r.events, (QStringList{"ImageClick(0,210)", "Click"}));
    EXPECT_EQ(r.model.GetImage(0), 211);
    EXPECT_EQ(r.model.elements().at(1).pictureSlot, 210);
    EXPECT_EQ(r.model.ListIndex(), 0);
    r.clickAt(r.iconOf(2));
    EXPECT_EQ(r.model.GetImage(2), 210);
    r.model.SetCheck(2, 2);
    r.clickAt(r.iconOf(2));
    EXPECT_EQ(r.model.GetImage(2), 210);
}

// The handler sees the row before selection and toggle, and its changes steer the toggle.
TEST(ORVLogClicks, ImageClickHandlerSteersToggle) {
    Recorder r;
    int selectionSeen = 7;
    r.onImageClick = [&](int&, int& kind) {
        selectionSeen = r.model.ListIndex();
        kind = 0;
    };
    r.clickAt(r.iconOf(0));
    EXPECT_EQ(selectionSeen, -1);
    EXPECT_EQ(r.model.GetImage(0), 210);

    r.model.SetCheck(2, 2);
    r.onImageClick = [](int& index, int&) { index = 2; };
    r.clickAt(r.iconOf(0));
    EXPECT_EQ(r.model.GetImage(0), 210);
    EXPECT_EQ(r.model.GetImage(2), 211); // row 0's kind 210 toggled row 2
    EXPECT_EQ(r.model.ListIndex(), 0);
}

// An icon that is no check box raises the events and changes no kind.
TEST(ORVLogClicks, PlainIconOnlyRaisesEvents) {
    Recorder r;
    r.clickAt(r.iconOf(1));
    EXPECT_EQ(r.events, (QStringList{"ImageClick(1,3)", "Click"}));
    EXPECT_EQ(r.model.GetImage(1), 3);
}

// Below the last row and outside the canvas: Click only, selection kept.
TEST(ORVLogClicks, EmptyAreaClickKeepsSelection) {
    Recorder r;
    r.model.setListIndex(1);
    r.events.clear();
    const int belowRows = r.model.geometry().canvasHeight() + 60;
    r.clickAt({600, belowRows});
    EXPECT_EQ(r.model.hitTest(600, belowRows).area, RowModel::Area::Control);
    r.clickAt({600, r.model.geometry().canvasHeight() - 5});
    EXPECT_EQ(r.model.hitTest(600, r.model.geometry().canvasHeight() - 5).area,
              RowModel::Area::Canvas);
    EXPECT_EQ(r.events, (QStringList{"Click", "Click"}));
    EXPECT_EQ(r.model.ListIndex(), 1);
    EXPECT_TRUE(r.highlighted(1));
}

// A hidden icon (kind 0) takes no clicks; the click lands on the canvas.
TEST(ORVLogClicks, HiddenIconIsNotHit) {
    Recorder r;
    r.model.Add("no icon", 0);
    const auto& row = r.model.elements().at(4);
    EXPECT_EQ(r.model.hitTest(row.iconLeft + 10, row.iconTop + 10).area, RowModel::Area::Canvas);
}

// Scrolled rows are hit where they are shown, not where they were.
TEST(ORVLogClicks, HitTestFollowsScrolling) {
    Recorder r;
    for (int i = 0; i < 6; ++i)
        r.model.Add("more", 1);
    r.model.setTopItem(2);
    const RowModel::Hit hit = r.model.hitTest(2000, 15 + 100);
    EXPECT_EQ(hit.area, RowModel::Area::Text);
    EXPECT_EQ(hit.row, 3);
}
