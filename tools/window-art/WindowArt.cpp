#include "WindowArt.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

const QColor Navy(0x0a, 0x1f, 0x3d);
const QColor DeepTeal(0x0b, 0x5c, 0x63);
const QColor Teal(0x1d, 0x8a, 0x8a);
const QColor Gold(0xd4, 0xaf, 0x37);
const QColor Steel(0xc3, 0xcd, 0xd6);
const QColor DarkSteel(0x5b, 0x6b, 0x7a);

void paintBackground(QPainter& painter, const QRectF& area) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, Navy);
    sky.setColorAt(0.65, QColor(0x0c, 0x3d, 0x55));
    sky.setColorAt(1.0, DeepTeal);
    painter.fillRect(area, sky);

    // Faint rings from the lower corner: the bank's seal behind the picture.
    painter.setBrush(Qt::NoBrush);
    for (int ring = 0; ring < 7; ++ring) {
        painter.setPen(QPen(QColor(255, 255, 255, 14 + ring * 2), 1.0));
        const qreal r = 40 + ring * 22;
        painter.drawEllipse(QPointF(area.left() - 10, area.bottom() + 10), r, r);
    }
    // Thin gold rules at the top and the bottom.
    painter.setPen(QPen(Gold, 1.0));
    painter.drawLine(QPointF(area.left() + 10, 14.5), QPointF(area.right() - 10, 14.5));
    painter.drawLine(QPointF(area.left() + 10, area.bottom() - 12.5),
                     QPointF(area.right() - 10, area.bottom() - 12.5));
}

int colourDistance(QRgb a, QRgb b) {
    const auto square = [](int d) { return d * d; };
    return square(qRed(a) - qRed(b)) + square(qGreen(a) - qGreen(b)) + square(qBlue(a) - qBlue(b)) +
           square(qAlpha(a) - qAlpha(b));
}

} // namespace

QImage WindowArt::banner() {
    QImage image(117, 256, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, QRectF(image.rect()));
    paintVaultDoor(painter, QPointF(58.5, 74), 38);
    paintDatabase(painter, QRectF(31, 136, 55, 62), 3, true);
    paintCaption(painter, QRectF(4, 206, 109, 34));
    painter.end();
    return image;
}

void WindowArt::paintVaultDoor(QPainter& painter, QPointF centre, qreal radius) {
    // Shadow, steel ring, dark door and its bolts.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(centre + QPointF(2, 3), radius, radius);

    QLinearGradient ring(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    ring.setColorAt(0.0, QColor(0xee, 0xf2, 0xf5));
    ring.setColorAt(0.5, Steel);
    ring.setColorAt(1.0, DarkSteel);
    painter.setBrush(ring);
    painter.drawEllipse(centre, radius, radius);

    QRadialGradient door(centre - QPointF(8, 8), radius);
    door.setColorAt(0.0, QColor(0x2e, 0x4a, 0x66));
    door.setColorAt(1.0, QColor(0x12, 0x26, 0x3d));
    painter.setBrush(door);
    painter.drawEllipse(centre, radius * 0.80, radius * 0.80);

    painter.setBrush(Steel);
    for (int bolt = 0; bolt < 12; ++bolt) {
        const qreal angle = qDegreesToRadians(bolt * 30.0);
        const QPointF at = centre + QPointF(qCos(angle), qSin(angle)) * radius * 0.90;
        painter.drawEllipse(at, 1.6, 1.6);
    }

    // The wheel: three spokes through a gold hub.
    painter.setPen(QPen(Steel, 3.2, Qt::SolidLine, Qt::RoundCap));
    for (int spoke = 0; spoke < 3; ++spoke) {
        const qreal angle = qDegreesToRadians(spoke * 60.0 + 30.0);
        const QPointF arm = QPointF(qCos(angle), qSin(angle)) * radius * 0.55;
        painter.drawLine(centre - arm, centre + arm);
    }
    painter.setPen(QPen(Steel, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius * 0.55, radius * 0.55);

    QRadialGradient hub(centre - QPointF(2, 2), 8);
    hub.setColorAt(0.0, QColor(0xff, 0xe8, 0x9a));
    hub.setColorAt(1.0, Gold.darker(130));
    painter.setPen(QPen(Gold.darker(160), 1.0));
    painter.setBrush(hub);
    painter.drawEllipse(centre, 7, 7);
}

void WindowArt::paintDatabase(QPainter& painter, QRectF box, int discs, bool sealed) {
    const qreal lid = box.height() / (discs * 2.0 + 1.0) * 1.4;
    const qreal step = (box.height() - lid) / discs;
    QLinearGradient side(box.topLeft(), box.topRight());
    side.setColorAt(0.0, QColor(0x9f, 0xd8, 0xd4));
    side.setColorAt(0.45, QColor(0xf2, 0xfb, 0xfa));
    side.setColorAt(1.0, Teal);
    painter.setPen(QPen(QColor(0x08, 0x3a, 0x40), 1.0));
    // Bottom disc first so that each upper disc overlaps the one below.
    for (int disc = discs - 1; disc >= 0; --disc) {
        const qreal top = box.top() + disc * step;
        QPainterPath body;
        body.moveTo(box.left(), top + lid / 2);
        body.lineTo(box.left(), top + step + lid / 2 - 2);
        body.arcTo(QRectF(box.left(), top + step - 2, box.width(), lid), 180, 180);
        body.lineTo(box.right(), top + lid / 2);
        body.closeSubpath();
        painter.setBrush(side);
        painter.drawPath(body);
        painter.setBrush(QColor(0xe6, 0xf7, 0xf5));
        painter.drawEllipse(QRectF(box.left(), top, box.width(), lid));
    }
    if (!sealed)
        return;
    // A gold band round the middle disc: the seal on the archive.
    painter.setPen(QPen(Gold, 1.6));
    const qreal middle = box.top() + step * 1.5 + lid / 2;
    painter.drawArc(QRectF(box.left(), middle - lid / 2, box.width(), lid), 180 * 16, 180 * 16);
}

void WindowArt::paintCaption(QPainter& painter, const QRectF& box) {
    QFont font(QStringLiteral("Noto Naskh Arabic"));
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 110));
    const QString caption = QStringLiteral("النسخ الاحتياطي");
    painter.drawText(box.translated(1, 1), Qt::AlignCenter, caption);
    painter.setPen(QColor(0xf5, 0xe6, 0xb0));
    painter.drawText(box, Qt::AlignCenter, caption);
}

QImage WindowArt::windowIcon() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, 32);
    tile.setColorAt(0.0, QColor(0x16, 0x3a, 0x66));
    tile.setColorAt(1.0, DeepTeal);
    painter.setPen(QPen(Navy, 1.0));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    paintDatabase(painter, QRectF(6.5, 5.5, 17, 20), 3, false);

    // A gold badge with a down arrow: data going into safe keeping.
    painter.setPen(QPen(Gold.darker(170), 1.0));
    painter.setBrush(Gold);
    painter.drawEllipse(QPointF(23.5, 23.5), 6.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Navy);
    QPainterPath arrow;
    arrow.moveTo(22.2, 19.2);
    arrow.lineTo(24.8, 19.2);
    arrow.lineTo(24.8, 22.8);
    arrow.lineTo(27.0, 22.8);
    arrow.lineTo(23.5, 27.4);
    arrow.lineTo(20.0, 22.8);
    arrow.lineTo(22.2, 22.8);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    painter.end();
    return toIndexed(image.convertToFormat(QImage::Format_ARGB32));
}

QImage WindowArt::hardDisk() {
    static const char* const rows[] = {
        ".................", //
        ".ooooooooooooooo.", //
        "oHHHHHHHHHHHHHHHo", //
        "oLLLLLLLLLLLLLLLo", //
        "oMMMMMMMMMMMMMMMo", //
        "oMMMMMMMMMMMMMMMo", //
        "oMddddddddMMMMGMo", //
        "oMMMMMMMMMMMMMMMo", //
        "oSSSSSSSSSSSSSSSo", //
        ".ooooooooooooooo.", //
        ".................", //
    };
    return pixelArt(rows, 11,
                    {{'.', qRgba(0, 0, 0, 0)},
                     {'o', qRgb(0x3c, 0x46, 0x50)},
                     {'H', qRgb(0xf4, 0xf6, 0xf8)},
                     {'L', qRgb(0xd6, 0xdc, 0xe2)},
                     {'M', qRgb(0xb4, 0xbe, 0xc8)},
                     {'d', qRgb(0x5a, 0x64, 0x6e)},
                     {'G', qRgb(0x22, 0xc5, 0x5e)},
                     {'S', qRgb(0x86, 0x92, 0x9e)}});
}

QImage WindowArt::removableDrive() {
    static const char* const rows[] = {
        ".................", //
        "......nnnnnnnnnn.", //
        "......nbbbbbbbbbn", //
        "kkkkkknBBBBBBBBBn", //
        "kssssknBBBBBBBBBn", //
        "kshhsknBBBBBBBwBn", //
        "kssssknBBBBBBBBBn", //
        "kkkkkknBBBBBBBBBn", //
        "......nDDDDDDDDDn", //
        "......nnnnnnnnnn.", //
        ".................", //
    };
    return pixelArt(rows, 11,
                    {{'.', qRgba(0, 0, 0, 0)},
                     {'k', qRgb(0x5a, 0x64, 0x6e)},
                     {'s', qRgb(0xd6, 0xdc, 0xe2)},
                     {'h', qRgb(0x3c, 0x46, 0x50)},
                     {'n', qRgb(0x0a, 0x2a, 0x5c)},
                     {'b', qRgb(0x6f, 0xa8, 0xf0)},
                     {'B', qRgb(0x1f, 0x5f, 0xc4)},
                     {'D', qRgb(0x15, 0x45, 0x96)},
                     {'w', qRgb(0xff, 0xd8, 0x4d)}});
}

// One character per pixel, each character a colour of the palette.
QImage WindowArt::pixelArt(const char* const rows[], int rowCount,
                           const QList<std::pair<char, QRgb>>& palette) {
    const int width = int(qstrlen(rows[0]));
    QImage image(width, rowCount, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const auto& entry : palette)
        colours.append(entry.second);
    image.setColorTable(colours);
    for (int y = 0; y < rowCount; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto found =
                std::find_if(palette.cbegin(), palette.cend(),
                             [&](const auto& entry) { return entry.first == rows[y][x]; });
            image.setPixel(x, y, uint(found - palette.cbegin()));
        }
    }
    return image;
}

// 256 colours without dithering noise: the most frequent colours make the
// palette and the rare ones (antialiased edge blends) take their nearest.
QImage WindowArt::toIndexed(const QImage& argb) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x)
            ++counts[argb.pixel(x, y)];
    }
    QList<QRgb> palette = counts.keys();
    std::sort(palette.begin(), palette.end(), [&](QRgb a, QRgb b) {
        return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
    });
    palette.resize(std::min<qsizetype>(palette.size(), 256));

    QImage indexed(argb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb colour = argb.pixel(x, y);
            const auto nearest =
                std::min_element(palette.cbegin(), palette.cend(), [&](QRgb a, QRgb b) {
                    return colourDistance(a, colour) < colourDistance(b, colour);
                });
            indexed.setPixel(x, y, uint(nearest - palette.cbegin()));
        }
    }
    return indexed;
}
