#include "tools/window-art/GifWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QImage indexedImage(QSize size, const QList<QRgb>& colours, quint32 seed) {
    QImage image(size, QImage::Format_Indexed8);
    image.setColorTable(colours);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.bounded(uint(colours.size())));
    }
    return image;
}

QImage decode(const QByteArray& gif) {
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Every pixel must come back as written: a code width that drifts from what
// the reader expects garbles the picture from that point on.
void expectRoundTrip(const QImage& written) {
    const QImage read = decode(GifWriter::encode(written));
    ASSERT_EQ(read.size(), written.size());
    for (int y = 0; y < written.height(); ++y) {
        for (int x = 0; x < written.width(); ++x) {
            const QRgb expected = written.pixel(x, y);
            const QRgb actual = read.pixel(x, y);
            if (qAlpha(expected) < 128)
                ASSERT_EQ(qAlpha(actual), 0) << x << "," << y;
            else
                ASSERT_EQ(actual, expected | 0xff000000) << x << "," << y;
        }
    }
}

} // namespace

TEST(GifWriter, FullPaletteSurvivesManyClearRuns) {
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(i, 255 - i, (i * 37) % 256));
    expectRoundTrip(indexedImage({61, 29}, colours, 7));
}

// Two and three colours use the smallest code size GIF allows.
TEST(GifWriter, SmallPalettesSurvive) {
    expectRoundTrip(indexedImage({17, 11}, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, 1));
    expectRoundTrip(indexedImage({5, 40}, {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)}, 2));
}

// Every see-through colour of the table must come out transparent, not as its
// colour: the icons sit on the list's own background.
TEST(GifWriter, SeeThroughColoursBecomeTransparent) {
    const QImage written = indexedImage(
        {17, 11}, {qRgba(0, 0, 0, 0), qRgb(10, 20, 30), qRgba(255, 0, 0, 40), qRgb(90, 80, 70)}, 3);
    expectRoundTrip(written);
}
