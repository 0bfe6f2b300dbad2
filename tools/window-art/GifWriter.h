#pragma once

#include <QByteArray>
#include <QImage>

// Writes small pictures as GIF89a files (Qt reads GIF but does not write it).
// Pixels are coded with a fixed code width and a clear code often enough that
// the table never grows a width: larger files, but trivially correct, and the
// pictures are a few hundred pixels.
class GifWriter {
public:
    // An 8-bit indexed picture; colours of the table whose alpha is below half
    // become the one transparent colour.
    static QByteArray encode(const QImage& indexed);

private:
    static QByteArray colourTable(const QList<QRgb>& colours, int tableBits);
    static QByteArray pixelData(const QImage& indexed, int codeSize, int transparentIndex);
    static QByteArray subBlocks(const QByteArray& data);
};
