#pragma once

#include <QImage>
#include <QList>

class QPainter;

// The busy clip's pictures: sheets flying in an arc from an open folder into a
// drive, drawn with the 16 colours of the basic palette and no smoothing.
class BusyClipArt {
public:
    static constexpr int Width = 210;
    static constexpr int Height = 40;
    static constexpr int FrameCount = 60;

    static const QList<QRgb>& palette();
    // One frame as an indexed picture over palette(); the clip loops seamlessly.
    static QImage frame(int number);

private:
    static void paintFolderBack(QPainter& painter);
    static void paintFolderFront(QPainter& painter);
    static void paintSheet(QPainter& painter, double progress);
    static void paintDrive(QPainter& painter, bool busy);
};
