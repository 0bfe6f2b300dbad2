#include "support/BusyClipArt.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace {

// Sheets leave the folder every SheetSpacing frames and land FlightFrames later.
constexpr int SheetSpacing = 15;
constexpr int FlightFrames = 45;
constexpr int LedFrames = 5;

const QColor Black(0x00, 0x00, 0x00);
const QColor Olive(0x80, 0x80, 0x00);
const QColor Green(0x00, 0x80, 0x00);
const QColor Silver(0xC0, 0xC0, 0xC0);
const QColor Grey(0x80, 0x80, 0x80);
const QColor Lime(0x00, 0xFF, 0x00);
const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor Navy(0x00, 0x00, 0x80);
const QColor White(0xFF, 0xFF, 0xFF);

const QPointF Start(30, 22);
const QPointF Finish(178, 20);
constexpr double ArcHeight = 12;

} // namespace

const QList<QRgb>& BusyClipArt::palette() {
    static const QList<QRgb> colours = {
        qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00),
        qRgb(0x80, 0x80, 0x00), qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80),
        qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0), qRgb(0x80, 0x80, 0x80),
        qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
        qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF),
        qRgb(0xFF, 0xFF, 0xFF)};
    return colours;
}

QImage BusyClipArt::frame(int number) {
    QImage canvas(Width, Height, QImage::Format_RGB32);
    canvas.fill(Silver);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintFolderBack(painter);
    bool landing = false;
    for (int sheet = 0; sheet < FrameCount / SheetSpacing; ++sheet) {
        const int age = (number + sheet * SheetSpacing) % FrameCount;
        if (age < FlightFrames)
            paintSheet(painter, double(age) / FlightFrames);
        landing = landing || (age >= FlightFrames - LedFrames && age < FlightFrames);
    }
    paintFolderFront(painter);
    paintDrive(painter, landing);
    painter.end();
    return canvas.convertToFormat(QImage::Format_Indexed8, palette(), Qt::ThresholdDither);
}

void BusyClipArt::paintFolderBack(QPainter& painter) {
    painter.setPen(Black);
    painter.setBrush(Olive);
    painter.drawPolygon(QPolygon({{8, 12}, {20, 12}, {23, 15}, {44, 15}, {44, 36}, {8, 36}}));
}

void BusyClipArt::paintFolderFront(QPainter& painter) {
    painter.setPen(Black);
    painter.setBrush(Yellow);
    painter.drawPolygon(QPolygon({{8, 36}, {13, 22}, {50, 22}, {44, 36}}));
}

// Progress 0 is inside the folder, 1 inside the drive; the sheet turns as it flies.
void BusyClipArt::paintSheet(QPainter& painter, double progress) {
    const QPointF centre = Start + (Finish - Start) * progress -
                           QPointF(0, ArcHeight * std::sin(std::numbers::pi * progress));
    const int width =
        std::max(2, int(std::lround(11 * std::abs(std::cos(2 * std::numbers::pi * progress)))));
    const int height = 13;
    const QRect sheet(int(std::lround(centre.x())) - width / 2,
                      int(std::lround(centre.y())) - height / 2, width, height);
    painter.setPen(Black);
    painter.setBrush(White);
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    if (width < 6)
        return;
    painter.setPen(Navy);
    for (int line = sheet.top() + 3; line < sheet.bottom() - 1; line += 2)
        painter.drawLine(sheet.left() + 2, line, sheet.right() - 2, line);
}

void BusyClipArt::paintDrive(QPainter& painter, bool busy) {
    const QRect body(164, 16, 40, 20);
    painter.setPen(Black);
    painter.setBrush(Grey);
    painter.drawRect(body);
    painter.setBrush(Silver);
    painter.drawRect(body.adjusted(2, 2, -2, -9));
    painter.setPen(Black);
    painter.drawLine(body.left() + 6, body.top() + 7, body.right() - 6, body.top() + 7);
    painter.setPen(Black);
    painter.setBrush(busy ? Lime : Green);
    painter.drawRect(body.right() - 7, body.bottom() - 5, 3, 2);
}
