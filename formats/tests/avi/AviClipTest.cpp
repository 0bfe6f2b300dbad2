#include "formats/avi/AviClip.h"
#include "base/Error.h"
#include "formats/avi/Rle8Decoder.h"
#include "resources/BusyResources.h"
#include "support/AviWriter.h"
#include "support/BusyClipArt.h"
#include "support/Rle8Encoder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <random>

using tavor::AviClip;

namespace {

QByteArray committedClip() {
    tavorInitBusyResources();
    QFile file(tavor::BusyResources::Clip);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Either refused with tavor::Error or read and decoded; anything else (a crash,
// another exception, a sanitizer report) fails the test.
bool opensAndDecodes(const QByteArray& bytes) {
    try {
        const AviClip clip = AviClip::fromBytes(bytes);
        tavor::Rle8Decoder decoder(clip.width(), clip.height());
        for (int frame = 0; frame < clip.frameCount(); ++frame)
            decoder.decode(clip.codedFrame(frame));
        return true;
    } catch (const tavor::Error&) {
        return false;
    }
}

quint32 le32(const QByteArray& bytes, qsizetype at) {
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

void put32(QByteArray& bytes, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i) & 0xFF);
}

AviWriter::Video tinyVideo(const QList<QByteArray>& frames) {
    AviWriter::Video video;
    video.width = 4;
    video.height = 2;
    video.microSecondsPerFrame = 100000;
    video.palette = BusyClipArt::palette();
    video.frames = frames;
    return video;
}

} // namespace

// The program's busy panel relies on this exact clip shape and timing.
TEST(AviClip, CommittedClipIsSixtyFramesOf210By40At15PerSecond) {
    const AviClip clip = AviClip::fromBytes(committedClip());
    EXPECT_EQ(clip.width(), 210);
    EXPECT_EQ(clip.height(), 40);
    EXPECT_EQ(clip.frameCount(), 60);
    EXPECT_EQ(clip.microSecondsPerFrame(), 66667);
    EXPECT_EQ(clip.palette(), BusyClipArt::palette());
    const QList<QImage> frames = clip.decodeFrames();
    ASSERT_EQ(frames.size(), 60);
    for (int i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].convertToFormat(QImage::Format_RGB32),
                  BusyClipArt::frame(i).convertToFormat(QImage::Format_RGB32))
            << "frame " << i;
}

// Every cut-off copy must be refused cleanly, never read past its end.
TEST(AviClip, EveryPrefixOfTheClipIsRefused) {
    const QByteArray whole = committedClip();
    for (qsizetype length = 0; length < whole.size(); length += length < 400 ? 1 : 89)
        EXPECT_FALSE(opensAndDecodes(whole.left(length))) << length;
    for (qsizetype cut = 1; cut <= 40; ++cut)
        EXPECT_FALSE(opensAndDecodes(whole.left(whole.size() - cut))) << cut;
}

// Damaged sizes, offsets and runs anywhere in the file are caught by the bounds
// checks (the sanitizer build turns a missed one into a failure).
TEST(AviClip, DamagedBytesAreRefusedOrDecodedSafely) {
    const QByteArray whole = committedClip();
    for (qsizetype at = 0; at < whole.size(); at += at < 0x200 ? 1 : 97) {
        for (char flip : {'\xFF', '\x01', '\x80'}) {
            QByteArray damaged = whole;
            damaged[at] = char(damaged[at] ^ flip);
            opensAndDecodes(damaged);
        }
    }
}

TEST(AviClip, GarbageIsRefused) {
    std::mt19937 random(7);
    for (int length : {0, 3, 12, 64, 1000, 40000}) {
        QByteArray garbage(length, '\0');
        for (char& byte : garbage)
            byte = char(random());
        EXPECT_FALSE(opensAndDecodes(garbage));
        if (length >= 12) {
            garbage.replace(0, 4, "RIFF");
            put32(garbage, 4, quint32(length - 8));
            garbage.replace(8, 4, "AVI ");
            EXPECT_FALSE(opensAndDecodes(garbage));
        }
    }
}

// Without an index the frames are found by walking the movie list's records.
TEST(AviClip, ClipWithoutIndexIsReadFromItsMovieList) {
    QByteArray clip = committedClip();
    const qsizetype index = clip.lastIndexOf("idx1");
    ASSERT_EQ(index + 8 + le32(clip, index + 4), clip.size());
    clip.truncate(index);
    put32(clip, 4, quint32(clip.size() - 8));
    const AviClip read = AviClip::fromBytes(clip);
    EXPECT_EQ(read.frameCount(), 60);
    EXPECT_EQ(read.codedFrame(59), AviClip::fromBytes(committedClip()).codedFrame(59));
}

// An index pointing at the wrong place must not hand out bytes that are not a frame.
TEST(AviClip, IndexNotMatchingItsFramesIsRefused) {
    QByteArray clip = committedClip();
    const qsizetype index = clip.lastIndexOf("idx1");
    const qsizetype secondFrameEntry = index + 8 + 16 * 3;
    ASSERT_EQ(clip.mid(secondFrameEntry, 4), "00dc");
    put32(clip, secondFrameEntry + 8, le32(clip, secondFrameEntry + 8) + 2);
    EXPECT_THROW(AviClip::fromBytes(clip), tavor::Error);
}

// A frame whose runs leave the picture makes the whole clip unusable at open.
TEST(AviClip, FrameOverflowingThePictureIsRefusedWhenDecoding) {
    QImage blank(4, 2, QImage::Format_Indexed8);
    blank.fill(0);
    const QByteArray good = Rle8Encoder::encode(blank);
    const QByteArray wide = QByteArray::fromHex("0601") + good;
    const AviClip clip = AviClip::fromBytes(AviWriter::write(tinyVideo({good, wide})));
    EXPECT_THROW(clip.decodeFrames(), tavor::Error);
}

// Empty frame records repeat the previous picture instead of blanking it.
TEST(AviClip, EmptyFrameRepeatsThePreviousOne) {
    const AviClip clip = AviClip::fromBytes(
        AviWriter::write(tinyVideo({QByteArray::fromHex("0403000004030001"), QByteArray()})));
    const QList<QImage> frames = clip.decodeFrames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(frames[1].pixelIndex(0, 0), 3);
}

TEST(AviClip, MissingFileReportsFileNotFound) {
    try {
        AviClip::fromFile(QStringLiteral("/nonexistent/dobk.avi"));
        FAIL() << "no error raised";
    } catch (const tavor::Error& error) {
        EXPECT_EQ(error.number(), tavor::ErrorNumber::FileNotFound);
    }
}

// The clip tool's encoder and the player's decoder agree on every kind of run:
// long runs split at 255, mixed stretches of odd and even length, single pixels.
TEST(AviClip, EncodedPicturesDecodeToThemselves) {
    std::mt19937 random(11);
    QImage picture(300, 7, QImage::Format_Indexed8);
    picture.setColorTable(BusyClipArt::palette());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, y < 2 ? 5 : y % 2 ? random() % 16 : (x / (y + 1)) % 16);
    tavor::Rle8Decoder decoder(picture.width(), picture.height());
    decoder.decode(Rle8Encoder::encode(picture));
    EXPECT_EQ(decoder.toImage(BusyClipArt::palette()).convertToFormat(QImage::Format_RGB32),
              picture.convertToFormat(QImage::Format_RGB32));
}
