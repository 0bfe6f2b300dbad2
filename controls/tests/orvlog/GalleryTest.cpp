#include "controls/PropertyBag.h"
#include "controls/orvlog/ORVLog.h"

#include <QDir>
#include <QPainter>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

using tavor::ORVLog;
using tavor::PropertyBag;

namespace {

QString screenshotPath(const QString& name) {
    const QString folder = QStringLiteral(TAVOR_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder + "/orvlog-" + name + ".png";
}

// A drive picture and a removable-drive picture like the ones the window hands over.
QPixmap drivePicture(const QColor& body) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(Qt::black);
    p.setBrush(body);
    p.drawRect(1, 4, 13, 8);
    p.fillRect(11, 9, 2, 2, Qt::green);
    return picture;
}

void shoot(ORVLog& list, const QString& name) {
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QImage image = list.grab().toImage();
    ASSERT_TRUE(image.save(screenshotPath(name)));
    // A picture of one colour would mean that no row was painted.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8);
}

PropertyBag dataSetBag() {
    PropertyBag bag;
    bag.WriteProperty("BackColor", QVariant::fromValue<quint32>(0x00FFFFFF), 0);
    bag.WriteProperty("RightToLeft", true, false);
    bag.WriteProperty("ScrollAutoHide", true, false);
    bag.WriteProperty("Border", false, true);
    return bag;
}

} // namespace

// The drive list: border, left to right, loaded pictures, a selected row.
TEST(ORVLogGallery, DrivesLeftToRightWithBorder) {
    ORVLog list;
    PropertyBag bag;
    bag.WriteProperty("BorderStyle", 1, 0);
    list.ReadProperties(bag);
    list.setGeometry(0, 0, 301, 69);
    list.LoadImage(drivePicture(QColor(0xc0, 0xc0, 0xc0)));
    list.LoadImage(drivePicture(QColor(0xf0, 0xd0, 0x60)));
    list.Add("/", 100, "/");
    list.Add("/media/usb0", 101, "/media/usb0");
    list.Add("/srv/backup", 100, "/srv/backup");
    list.setListIndex(1);
    shoot(list, "drives-ltr-border");
}

// The data-set list: no border, right to left, Arabic text, auto-hidden bar.
TEST(ORVLogGallery, DataSetsRightToLeftNoBorder) {
    ORVLog list;
    list.ReadProperties(dataSetBag());
    list.setGeometry(0, 0, 301, 83);
    list.Add(QString::fromUtf8("قاعدة بيانات تافور"), 1);
    list.Add(QString::fromUtf8("الحسابات العامة"), 8);
    list.Add(QString::fromUtf8("الاعتمادات المستندية"), 3);
    list.Add(QString::fromUtf8("البيانات التاريخية"), 2);
    shoot(list, "datasets-rtl-autohide");
}

// Right to left with a border and a scroll bar shown because rows overflow.
TEST(ORVLogGallery, RightToLeftScrolled) {
    ORVLog list;
    PropertyBag bag;
    bag.WriteProperty("BorderStyle", 1, 0);
    bag.WriteProperty("RightToLeft", true, false);
    list.ReadProperties(bag);
    list.setGeometry(0, 0, 301, 72);
    for (int kind = 1; kind <= 15; ++kind)
        list.Add(QString::fromUtf8("الصورة رقم %1").arg(kind), kind);
    list.setTopItem(3);
    list.setListIndex(4);
    shoot(list, "all-icons-rtl-scrolled");
}

// Every built-in icon, left to right, with the bar always shown.
TEST(ORVLogGallery, AllIconsLeftToRight) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setBorder(false);
    list.setGeometry(0, 0, 240, 15 * 13 + 4);
    const char* names[] = {"tick",    "cross",   "dot",   "minus", "plus",
                           "green <", "green >", "red <", "red >", "computer",
                           "disk",    "folder",  "page",  "arrow", "person"};
    for (int kind = 1; kind <= 15; ++kind)
        list.Add(QString("%1 %2").arg(kind).arg(names[kind - 1]), kind);
    shoot(list, "all-icons-ltr");
}

// Check boxes in their three states, one selected.
TEST(ORVLogGallery, CheckBoxes) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setGeometry(0, 0, 240, 60);
    for (int state = 0; state <= 2; ++state) {
        list.Add(QString("state %1").arg(state), 0);
        list.SetCheck(state, state);
    }
    list.setListIndex(0);
    shoot(list, "checkboxes");
}
