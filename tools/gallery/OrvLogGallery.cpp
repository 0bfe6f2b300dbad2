#include "OrvLogGallery.h"

#include "GalleryFolder.h"
#include "controls/PropertyBag.h"
#include "controls/orvlog/ORVLog.h"

#include <QPainter>

namespace tavor {

namespace {

// A drive picture like the ones the window hands over.
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

PropertyBag dataSetBag() {
    PropertyBag bag;
    bag.WriteProperty("BackColor", QVariant::fromValue<quint32>(0x00FFFFFF), 0);
    bag.WriteProperty("RightToLeft", true, false);
    bag.WriteProperty("ScrollAutoHide", true, false);
    bag.WriteProperty("Border", false, true);
    return bag;
}

// The drive list: border, left to right, loaded pictures, a selected row.
void drives(GalleryFolder& folder) {
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
    folder.shoot(list, QStringLiteral("orvlog-drives-ltr-border"));
}

// The data-set list: no border, right to left, Arabic text, auto-hidden bar.
void dataSets(GalleryFolder& folder) {
    ORVLog list;
    list.ReadProperties(dataSetBag());
    list.setGeometry(0, 0, 301, 83);
    list.Add(QString::fromUtf8("قاعدة بيانات تافور"), 1);
    list.Add(QString::fromUtf8("الحسابات العامة"), 8);
    list.Add(QString::fromUtf8("الاعتمادات المستندية"), 3);
    list.Add(QString::fromUtf8("البيانات التاريخية"), 2);
    folder.shoot(list, QStringLiteral("orvlog-datasets-rtl-autohide"));
}

// Right to left with a border and a scroll bar shown because rows overflow.
void rightToLeftScrolled(GalleryFolder& folder) {
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
    folder.shoot(list, QStringLiteral("orvlog-all-icons-rtl-scrolled"));
}

// Every built-in icon, left to right, with the bar always shown.
void allIcons(GalleryFolder& folder) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setBorder(false);
    list.setGeometry(0, 0, 240, 15 * 13 + 4);
    const char* names[] = {"tick",    "cross",   "dot",   "minus", "plus",
                           "green <", "green >", "red <", "red >", "computer",
                           "disk",    "folder",  "page",  "arrow", "person"};
    for (int kind = 1; kind <= 15; ++kind)
        list.Add(QString("%1 %2").arg(kind).arg(names[kind - 1]), kind);
    folder.shoot(list, QStringLiteral("orvlog-all-icons-ltr"));
}

// Check boxes in their three states, one selected.
void checkBoxes(GalleryFolder& folder) {
    ORVLog list;
    list.ReadProperties(PropertyBag());
    list.setGeometry(0, 0, 240, 60);
    for (int state = 0; state <= 2; ++state) {
        list.Add(QString("state %1").arg(state), 0);
        list.SetCheck(state, state);
    }
    list.setListIndex(0);
    folder.shoot(list, QStringLiteral("orvlog-checkboxes"));
}

} // namespace

void OrvLogGallery::draw(GalleryFolder& folder) {
    drives(folder);
    dataSets(folder);
    rightToLeftScrolled(folder);
    allIcons(folder);
    checkBoxes(folder);
}

} // namespace tavor
