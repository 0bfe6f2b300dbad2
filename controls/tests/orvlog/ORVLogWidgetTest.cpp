#include "base/Error.h"
#include "controls/PropertyBag.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/orvlog/SystemColor.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

using tavor::ORVLog;
using tavor::PropertyBag;

namespace {

// Pixel centre of a row's text or icon, as the operator would click it.
QPoint textPixel(const ORVLog& list, int publicIndex) {
    const auto& row = list.model().elements().at(publicIndex + 1);
    const auto& g = list.model().geometry();
    const int border = list.BorderStyle() ? 2 : 0;
    return {(g.canvasLeft() + row.textLeft) / 15 + border + 20,
            (g.canvasTop() + row.textTop + row.textHeight / 2) / 15 + border};
}

QPoint iconPixel(const ORVLog& list, int publicIndex) {
    const auto& row = list.model().elements().at(publicIndex + 1);
    const auto& g = list.model().geometry();
    const int border = list.BorderStyle() ? 2 : 0;
    return {(g.canvasLeft() + row.iconLeft + row.iconWidth / 2) / 15 + border,
            (g.canvasTop() + row.iconTop + row.iconHeight / 2) / 15 + border};
}

} // namespace

// The built-in pictures are compiled in: 12 x 12 icons and 11 x 11 check boxes.
TEST(ORVLogWidget, BuiltInPicturesAreCompiledIn) {
    ORVLog list;
    const auto& library = list.model().library();
    for (int kind = 1; kind <= 15; ++kind)
        EXPECT_EQ(library.picture(kind - 1).size(), QSize(12, 12)) << "kind " << kind;
    for (int kind = 210; kind <= 212; ++kind)
        EXPECT_EQ(library.picture(kind - 1).size(), QSize(11, 11)) << "kind " << kind;
    EXPECT_FALSE(library.has(15));
}

// Empty saved properties give the defaults and a border decided by Border, not BorderStyle.
TEST(ORVLogProperties, EmptyBagGivesDefaults) {
    ORVLog list;
    list.setGeometry(0, 0, 301, 55);
    list.ReadProperties(PropertyBag());
    EXPECT_EQ(list.BackColor(), 0x80000005u);
    EXPECT_EQ(list.ForeColor(), 0x80000012u);
    EXPECT_FALSE(list.RightToLeft());
    EXPECT_TRUE(list.AllowFocusChange());
    EXPECT_FALSE(list.ScrollAutoHide());
    EXPECT_TRUE(list.Border());
    EXPECT_EQ(list.BorderStyle(), 1);
    EXPECT_EQ(list.Font(), QApplication::font());
}

// The data-set list's saved values: no border, right to left, auto-hidden bar, white.
TEST(ORVLogProperties, SavedValuesAreApplied) {
    PropertyBag bag;
    bag.WriteProperty("backcolor", QVariant::fromValue<quint32>(0x00FFFFFF), 0);
    bag.WriteProperty("RightToLeft", true, false);
    bag.WriteProperty("ScrollAutoHide", true, false);
    bag.WriteProperty("Border", false, true);
    QFont tahoma("Tahoma");
    tahoma.setPointSizeF(8.25);
    bag.WriteProperty("Font", tahoma, QFont());
    ORVLog list;
    list.setGeometry(0, 0, 301, 55);
    list.ReadProperties(bag);
    EXPECT_EQ(list.BackColor(), 0x00FFFFFFu);
    EXPECT_TRUE(list.RightToLeft());
    EXPECT_EQ(list.BorderStyle(), 0);
    EXPECT_EQ(list.Font().family(), "Tahoma");
    const auto* bar = list.findChild<QScrollBar*>("VScroll1");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->geometry().left(), 0);
    EXPECT_EQ(list.model().geometry().canvasWidth(), 301 * 15 - 255);
}

// Writing stores only what differs from the defaults, and reads back the same.
TEST(ORVLogProperties, WriteThenReadRoundTrips) {
    ORVLog original;
    original.setGeometry(0, 0, 200, 100);
    original.ReadProperties(PropertyBag());
    PropertyBag defaults;
    original.WriteProperties(defaults);
    EXPECT_EQ(defaults.entries().size(), 1); // BorderStyle 1 differs from its default 0
    EXPECT_EQ(defaults.ReadProperty("BorderStyle", 0).toInt(), 1);

    original.setBackColor(0x00123456);
    original.setRightToLeft(true);
    original.setAllowFocusChange(false);
    original.setBorder(false);
    PropertyBag bag;
    original.WriteProperties(bag);
    bag.WriteProperty("ForeColor", qint32(0x8000000E), 0); // a system colour as a signed number
    ORVLog copy;
    copy.setGeometry(0, 0, 200, 100);
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.ForeColor(), 0x8000000Eu);
    EXPECT_EQ(copy.BackColor(), 0x00123456u);
    EXPECT_TRUE(copy.RightToLeft());
    EXPECT_FALSE(copy.AllowFocusChange());
    EXPECT_FALSE(copy.Border());
    EXPECT_EQ(copy.BorderStyle(), 0);
}

// Appearance writes tell the host; Border and ScrollAutoHide do not.
TEST(ORVLogProperties, ChangeMarks) {
    ORVLog list;
    PropertyBag store;
    list.setPropertyStore(&store);
    list.setBorder(false);
    list.setScrollAutoHide(true);
    EXPECT_FALSE(store.anyChanged());
    list.setBackColor(0x00FFFFFF);
    list.setForeColor(0);
    list.setFont(QFont("Tahoma"));
    list.setRightToLeft(true);
    list.setAllowFocusChange(false);
    for (const char* name : {"BackColor", "ForeColor", "Font", "RightToLeft", "AllowFocusChange"})
        EXPECT_TRUE(store.isChanged(name)) << name;
}

// Rows added after setGeometry but before the list is shown use the size already set;
// a later resize lays out again without changing their text widths.
TEST(ORVLogWidget, RowsAddedBeforeShowUseSetGeometry) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setGeometry(10, 10, 301, 69);
    list.Add("drive", 11);
    EXPECT_EQ(list.model().elements().at(1).textWidth, 301 * 15 - 255 - 60);
    list.setGeometry(10, 10, 401, 69);
    list.show();
    EXPECT_EQ(list.model().geometry().canvasWidth(), 401 * 15 - 255 - 60);
    EXPECT_EQ(list.model().elements().at(1).textWidth, 301 * 15 - 255 - 60);
}

// Mouse clicks reach the events in order; a double click on a check box toggles once.
TEST(ORVLogWidget, MouseClicksRaiseEvents) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setGeometry(0, 0, 300, 100);
    list.Add("a", 3);
    list.Add("b", 210);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QStringList events;
    QObject::connect(&list, &ORVLog::Click, [&] { events << "Click"; });
    QObject::connect(&list, &ORVLog::DblClick, [&] { events << "DblClick"; });
    QObject::connect(&list, &ORVLog::ImageClick, [&](int& index, int& kind) {
        events << QString("Image %1 %2").arg(index).arg(kind);
    });

    QTest::mouseClick(&list, Qt::LeftButton, {}, textPixel(list, 0));
    EXPECT_EQ(list.ListIndex(), 0);
    // The first click of a double click arrives as a click.
    QTest::mouseClick(&list, Qt::LeftButton, {}, iconPixel(list, 1));
    QTest::mouseDClick(&list, Qt::LeftButton, {}, iconPixel(list, 1));
    EXPECT_EQ(events, (QStringList{"Click", "Image 1 210", "Click", "DblClick"}));
    EXPECT_EQ(list.GetCheck(1), 1);

    events.clear();
    list.setEnabled(false);
    QTest::mouseClick(&list, Qt::LeftButton, {}, textPixel(list, 0));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(list.ListIndex(), 1);
}

// Guards against acting on the press: a click is a press and a release over the same
// row, in either reading direction; a press dragged to another row selects nothing.
TEST(ORVLogWidget, ClickActsOnReleaseOverThePressedRow) {
    for (const bool rightToLeft : {false, true}) {
        SCOPED_TRACE(rightToLeft ? "right to left" : "left to right");
        ORVLog list;
        list.ReadProperties(PropertyBag());
        list.setRightToLeft(rightToLeft);
        list.setGeometry(0, 0, 300, 100);
        list.Add("a", 3);
        list.Add("b", 210);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        QStringList events;
        QObject::connect(&list, &ORVLog::Click, [&] { events << "Click"; });
        QObject::connect(&list, &ORVLog::ImageClick,
                         [&](int& index, int&) { events << QString("Image %1").arg(index); });

        QTest::mousePress(&list, Qt::LeftButton, {}, textPixel(list, 0));
        EXPECT_TRUE(events.isEmpty());
        EXPECT_EQ(list.ListIndex(), -1);
        QTest::mouseRelease(&list, Qt::LeftButton, {}, textPixel(list, 0));
        EXPECT_EQ(events, QStringList{"Click"});
        EXPECT_EQ(list.ListIndex(), 0);

        events.clear();
        QTest::mousePress(&list, Qt::LeftButton, {}, textPixel(list, 1));
        QTest::mouseRelease(&list, Qt::LeftButton, {}, textPixel(list, 0));
        QTest::mousePress(&list, Qt::LeftButton, {}, textPixel(list, 0));
        QTest::mouseRelease(&list, Qt::LeftButton, {}, iconPixel(list, 1));
        EXPECT_TRUE(events.isEmpty());
        EXPECT_EQ(list.ListIndex(), 0);
        EXPECT_EQ(list.GetCheck(1), 0);
    }
}

// The scroll bar widget and the model agree, and a value set by the user scrolls the rows.
TEST(ORVLogWidget, ScrollBarDrivesCanvas) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setBorder(false);
    list.setGeometry(0, 0, 300, 68); // 1020 twips: five rows
    for (int i = 0; i < 7; ++i)
        list.Add(QString("row %1").arg(i), 3);
    auto* bar = list.findChild<QScrollBar*>("VScroll1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 2);
    EXPECT_EQ(bar->pageStep(), 5);
    bar->setValue(2);
    EXPECT_EQ(list.TopItem(), 2);
    EXPECT_EQ(list.model().geometry().canvasTop(), -390);
    list.Clear();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(list.TopItem(), 0);
}

// LoadImage failure reaches the caller as tavor::Error.
TEST(ORVLogWidget, LoadImageFailureReachesCaller) {
    ORVLog list;
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    for (int i = 0; i < 110; ++i)
        list.LoadImage(picture);
    EXPECT_THROW(list.LoadImage(picture), tavor::Error);
}

// System colours follow the palette; fixed colours are 0x00BBGGRR.
TEST(ORVLogWidget, ColourValues) {
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
    EXPECT_EQ(tavor::SystemColor::toColor(0x8000000D, palette), QColor(1, 2, 3));
    EXPECT_EQ(tavor::SystemColor::toColor(0x00332211, palette), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(tavor::SystemColor::toColor(0x80000005, palette), palette.color(QPalette::Base));
}

// The window shows its data-set list disabled: it must look exactly as when enabled.
TEST(ORVLogWidget, DisabledListKeepsItsColours) {
    ORVLog list;
    PropertyBag bag;
    bag.WriteProperty("ScrollAutoHide", true, false);
    bag.WriteProperty("Border", false, true);
    list.ReadProperties(bag);
    list.setGeometry(0, 0, 200, 60);
    list.Add("row", 1);
    list.setBackColor(0x8000000F);
    list.setListIndex(0);
    const QImage enabled = list.grab().toImage();
    list.setEnabled(false);
    EXPECT_EQ(list.grab().toImage(), enabled);
}
