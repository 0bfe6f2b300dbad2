#include "formats/avi/Rle8Decoder.h"

#include "base/Error.h"
#include "formats/avi/AviClip.h"

#include <algorithm>
#include <cstring>

namespace tavor {

namespace {

constexpr std::uint8_t Escape = 0;
constexpr std::uint8_t EndOfLine = 0;
constexpr std::uint8_t EndOfBitmap = 1;
constexpr std::uint8_t Delta = 2;

// Reads bytes of one frame, refusing to run past its end.
class FrameReader {
public:
    explicit FrameReader(QByteArrayView data) : data_(data) {}
    bool atEnd() const { return position_ >= data_.size(); }
    bool has(qsizetype count) const { return data_.size() - position_ >= count; }
    std::uint8_t next() { return static_cast<std::uint8_t>(data_[position_++]); }
    const char* take(qsizetype count) {
        const char* bytes = data_.data() + position_;
        position_ += count;
        return bytes;
    }

private:
    QByteArrayView data_;
    qsizetype position_ = 0;
};

} // namespace

Rle8Decoder::Rle8Decoder(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      canvas_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0) {}

void Rle8Decoder::fail(const char* why) {
    throw Error(AviClip::InvalidFileFormat, QString::fromLatin1(why));
}

// y counts rows from the bottom, as the coded data does.
void Rle8Decoder::fill(int& x, int y, int count, std::uint8_t value) {
    if (y >= height_ || count > width_ - x)
        fail("A frame of the clip runs outside its picture.");
    std::fill_n(canvas_.begin() + static_cast<std::ptrdiff_t>(index(x, height_ - 1 - y)), count,
                value);
    x += count;
}

void Rle8Decoder::decode(QByteArrayView frame) {
    FrameReader in(frame);
    int x = 0;
    int y = 0;
    while (!in.atEnd()) {
        if (!in.has(2))
            fail("A frame of the clip is cut off.");
        const std::uint8_t count = in.next();
        const std::uint8_t value = in.next();
        if (count != Escape) {
            fill(x, y, count, value);
        } else if (value == EndOfLine) {
            x = 0;
            ++y;
        } else if (value == EndOfBitmap) {
            return;
        } else if (value == Delta) {
            if (!in.has(2))
                fail("A frame of the clip is cut off.");
            const int dx = in.next();
            const int dy = in.next();
            if (dx > width_ - x || dy > height_ - y)
                fail("A frame of the clip runs outside its picture.");
            x += dx;
            y += dy;
        } else {
            // Absolute run: `value` literal indices, padded to a 16-bit boundary.
            const int padded = value + (value & 1);
            if (!in.has(padded))
                fail("A frame of the clip is cut off.");
            if (y >= height_ || value > width_ - x)
                fail("A frame of the clip runs outside its picture.");
            std::memcpy(canvas_.data() + index(x, height_ - 1 - y), in.take(padded), value);
            x += value;
        }
    }
}

QImage Rle8Decoder::toImage(const QList<QRgb>& palette) const {
    QImage image(width_, height_, QImage::Format_Indexed8);
    QList<QRgb> colours = palette.mid(0, 256);
    colours.resize(256, qRgb(0, 0, 0));
    image.setColorTable(colours);
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.scanLine(y), canvas_.data() + index(0, y),
                    static_cast<std::size_t>(width_));
    return image;
}

} // namespace tavor
