#pragma once

#include <QByteArray>
#include <QImage>

// Codes an 8-bit indexed picture as one complete RLE8 frame: rows bottom-up, runs
// of equal pixels as counted pairs, mixed stretches as absolute runs.
class Rle8Encoder {
public:
    static QByteArray encode(const QImage& indexed);

private:
    static void encodeRow(const uchar* row, int width, QByteArray& out);
    static int runLength(const uchar* row, int from, int width);
};
