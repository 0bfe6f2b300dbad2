#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace tavor {

// A silent RIFF AVI clip with one RLE8 video stream, read from bytes. Every chunk
// size and index entry is checked against its container; a clip that is missing,
// cut off or malformed raises tavor::Error.
class AviClip {
public:
    // The number raised for a clip that is not a readable RLE8 AVI.
    static constexpr long InvalidFileFormat = 321;
    // Decoding every frame at open must stay within this many pixels.
    static constexpr qint64 MaxDecodedPixels = 16 * 1024 * 1024;

    static AviClip fromFile(const QString& path);
    static AviClip fromBytes(const QByteArray& bytes);

    int width() const { return width_; }
    int height() const { return height_; }
    int frameCount() const { return static_cast<int>(frames_.size()); }
    qint64 microSecondsPerFrame() const { return microSecondsPerFrame_; }
    const QList<QRgb>& palette() const { return palette_; }
    // The coded bytes of one frame; empty means "same as the previous frame".
    const QByteArray& codedFrame(int index) const { return frames_.at(index); }

    // Every frame as a whole picture, in order.
    QList<QImage> decodeFrames() const;

private:
    int width_ = 0;
    int height_ = 0;
    qint64 microSecondsPerFrame_ = 0;
    QList<QRgb> palette_;
    QList<QByteArray> frames_;
};

} // namespace tavor
