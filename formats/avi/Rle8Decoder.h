#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <cstdint>
#include <vector>

namespace tavor {

// Paints RLE8 frames onto a canvas of palette indices. The canvas outlives a frame:
// pixels a frame skips (delta, early end of line) keep the previous frame's value,
// as clips rely on. Rows are coded bottom-up. Runs that would leave the canvas and
// frames cut off inside a command raise tavor::Error; the canvas is never written
// or read out of bounds.
class Rle8Decoder {
public:
    Rle8Decoder(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    void decode(QByteArrayView frame);

    // Palette index of a pixel counted from the top-left corner.
    std::uint8_t pixel(int x, int y) const { return canvas_[index(x, y)]; }
    // The canvas as an indexed picture; the palette is padded to 256 entries so
    // that every index has a colour.
    QImage toImage(const QList<QRgb>& palette) const;

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    void fill(int& x, int y, int count, std::uint8_t value);
    [[noreturn]] static void fail(const char* why);

    int width_;
    int height_;
    std::vector<std::uint8_t> canvas_;
};

} // namespace tavor
