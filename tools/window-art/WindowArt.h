#pragma once

#include <QImage>

// The window's pictures, drawn in code so that they can be made again.
class WindowArt {
public:
    static QImage banner();         // 117 x 256, 24-bit
    static QImage windowIcon();     // 32 x 32, 256 colours
    static QImage hardDisk();       // 17 x 11, indexed, transparent background
    static QImage removableDrive(); // 17 x 11, indexed, transparent background

private:
    static void paintVaultDoor(QPainter& painter, QPointF centre, qreal radius);
    static void paintDatabase(QPainter& painter, QRectF box, int discs, bool sealed);
    static void paintCaption(QPainter& painter, const QRectF& box);
    static QImage toIndexed(const QImage& argb);
    static QImage pixelArt(const char* const rows[], int rowCount,
                           const QList<std::pair<char, QRgb>>& palette);
};
