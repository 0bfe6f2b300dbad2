// Draws the item list's built-in pictures: fifteen 12 x 12 icons (kinds 1 to 15)
// and three 11 x 11 check boxes (kinds 210 to 212), one PNG per kind.
//
// usage: orvlog-images <output folder>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <functional>

namespace {

const QColor kGreen(0x1f, 0x9e, 0x2e);
const QColor kDarkGreen(0x0d, 0x6b, 0x1a);
const QColor kRed(0xd0, 0x1c, 0x1c);
const QColor kDarkRed(0x8a, 0x0e, 0x0e);
const QColor kFrameGrey(0x80, 0x80, 0x80);

using Drawing = std::function<void(QPainter&)>;

QImage draw(int size, const Drawing& paint, bool smooth = true) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, smooth);
    paint(p);
    return image;
}

void tick(QPainter& p, const QColor& colour, qreal width) {
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawPolyline(QPolygonF({{2.0, 6.0}, {4.8, 9.0}, {10.0, 2.6}}));
}

void filledShape(QPainter& p, const QPolygonF& shape, const QColor& fill, const QColor& edge) {
    p.setPen(QPen(edge, 1.0));
    p.setBrush(fill);
    p.drawPolygon(shape);
}

void triangle(QPainter& p, bool pointsLeft, const QColor& fill, const QColor& edge) {
    const QPolygonF left({{2.0, 6.0}, {10.0, 1.5}, {10.0, 10.5}});
    const QPolygonF right({{10.0, 6.0}, {2.0, 1.5}, {2.0, 10.5}});
    filledShape(p, pointsLeft ? left : right, fill, edge);
}

void greenTick(QPainter& p) {
    tick(p, kGreen, 2.4);
}

void redCross(QPainter& p) {
    p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 2.5), QPointF(9.5, 9.5));
    p.drawLine(QPointF(9.5, 2.5), QPointF(2.5, 9.5));
}

void greenDot(QPainter& p) {
    QRadialGradient shade(QPointF(4.5, 4.5), 5.5);
    shade.setColorAt(0.0, QColor(0x8c, 0xe8, 0x8f));
    shade.setColorAt(1.0, kGreen);
    p.setPen(QPen(kDarkGreen, 1.0));
    p.setBrush(shade);
    p.drawEllipse(QRectF(1.5, 1.5, 9.0, 9.0));
}

void redMinus(QPainter& p) {
    p.fillRect(QRectF(1.0, 4.5, 10.0, 3.0), kRed);
}

void redPlus(QPainter& p) {
    p.fillRect(QRectF(1.0, 4.5, 10.0, 3.0), kRed);
    p.fillRect(QRectF(4.5, 1.0, 3.0, 10.0), kRed);
}

void computer(QPainter& p) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRect(QRectF(1.5, 0.5, 9.0, 7.0));
    p.fillRect(QRectF(3.0, 2.0, 6.0, 4.0), QColor(0x2a, 0x6a, 0xc8));
    p.fillRect(QRectF(5.0, 8.0, 2.0, 1.5), QColor(0x60, 0x60, 0x60));
    p.drawRect(QRectF(2.5, 9.5, 7.0, 2.0));
}

void diskDrive(QPainter& p) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    p.setBrush(QColor(0xc8, 0xc8, 0xc8));
    p.drawRect(QRectF(0.5, 3.5, 11.0, 5.0));
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.0));
    p.drawLine(QPointF(2.0, 6.0), QPointF(6.5, 6.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xe0, 0x30));
    p.drawEllipse(QRectF(8.0, 5.0, 2.2, 2.2));
}

void yellowFolder(QPainter& p) {
    const QColor edge(0x9a, 0x7a, 0x10);
    filledShape(
        p, QPolygonF({{0.5, 2.5}, {4.5, 2.5}, {5.5, 3.5}, {11.5, 3.5}, {11.5, 10.5}, {0.5, 10.5}}),
        QColor(0xe8, 0xc0, 0x40), edge);
    filledShape(p, QPolygonF({{0.5, 5.5}, {11.5, 5.5}, {11.5, 10.5}, {0.5, 10.5}}),
                QColor(0xff, 0xdc, 0x5a), edge);
}

void pageOfText(QPainter& p) {
    filledShape(p, QPolygonF({{1.5, 0.5}, {7.5, 0.5}, {10.5, 3.5}, {10.5, 11.5}, {1.5, 11.5}}),
                Qt::white, QColor(0x50, 0x50, 0x50));
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.0));
    p.drawPolyline(QPolygonF({{7.5, 0.5}, {7.5, 3.5}, {10.5, 3.5}}));
    p.setPen(QPen(QColor(0x30, 0x50, 0xa0), 1.0));
    for (qreal y : {5.5, 7.5, 9.5})
        p.drawLine(QPointF(3.0, y), QPointF(9.0, y));
}

void bentArrowUp(QPainter& p) {
    const QColor blue(0x20, 0x50, 0xb0);
    p.setPen(QPen(blue, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{1.0, 10.0}, {7.0, 10.0}, {7.0, 5.0}}));
    filledShape(p, QPolygonF({{7.0, 0.5}, {10.8, 5.0}, {3.2, 5.0}}), blue, blue);
}

void person(QPainter& p) {
    p.setPen(QPen(QColor(0x70, 0x4a, 0x2a), 1.0));
    p.setBrush(QColor(0xf2, 0xc4, 0x90));
    p.drawEllipse(QRectF(3.5, 0.5, 5.0, 5.0));
    p.setPen(QPen(QColor(0x1a, 0x3a, 0x80), 1.0));
    p.setBrush(QColor(0x30, 0x60, 0xc0));
    QPainterPath body;
    body.moveTo(1.0, 11.5);
    body.cubicTo(1.0, 6.0, 11.0, 6.0, 11.0, 11.5);
    body.closeSubpath();
    p.drawPath(body);
}

// The check boxes are drawn on whole pixels, without smoothing, like a flat
// system check box.
void checkBoxFrame(QPainter& p, const QColor& inside) {
    p.setPen(QPen(kFrameGrey, 1.0));
    p.setBrush(inside);
    p.drawRect(QRect(0, 0, 10, 10));
}

void checkMark(QPainter& p, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int x = 2; x <= 8; ++x) {
        const int y = x <= 4 ? 4 + x - 2 : 6 - (x - 4);
        p.drawRect(QRect(x, y, 1, 3));
    }
}

bool save(const QImage& image, const QString& folder, int kind) {
    const QString path = QDir(folder).filePath(QString("kind%1.png").arg(kind, 3, 10, QChar('0')));
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvlog-images <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    const QList<std::pair<int, Drawing>> icons = {
        {1, greenTick},
        {2, redCross},
        {3, greenDot},
        {4, redMinus},
        {5, redPlus},
        {6, [](QPainter& p) { triangle(p, true, kGreen, kDarkGreen); }},
        {7, [](QPainter& p) { triangle(p, false, kGreen, kDarkGreen); }},
        {8, [](QPainter& p) { triangle(p, true, kRed, kDarkRed); }},
        {9, [](QPainter& p) { triangle(p, false, kRed, kDarkRed); }},
        {10, computer},
        {11, diskDrive},
        {12, yellowFolder},
        {13, pageOfText},
        {14, bentArrowUp},
        {15, person},
    };
    bool ok = true;
    for (const auto& [kind, paint] : icons)
        ok = save(draw(12, paint), folder, kind) && ok;

    ok = save(draw(
                  11, [](QPainter& p) { checkBoxFrame(p, Qt::white); }, false),
              folder, 210) &&
         ok;
    ok = save(draw(
                  11,
                  [](QPainter& p) {
                      checkBoxFrame(p, Qt::white);
                      checkMark(p, Qt::black);
                  },
                  false),
              folder, 211) &&
         ok;
    ok = save(draw(
                  11,
                  [](QPainter& p) {
                      checkBoxFrame(p, QColor(0xc0, 0xc0, 0xc0));
                      checkMark(p, kFrameGrey);
                  },
                  false),
              folder, 212) &&
         ok;
    return ok ? 0 : 1;
}
