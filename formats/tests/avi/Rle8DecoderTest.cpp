#include "formats/avi/Rle8Decoder.h"
#include "base/Error.h"

#include <gtest/gtest.h>
#include <initializer_list>

using tavor::Rle8Decoder;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int value : values)
        out.append(char(value));
    return out;
}

QList<int> row(const Rle8Decoder& decoder, int y) {
    QList<int> pixels;
    for (int x = 0; x < decoder.width(); ++x)
        pixels.append(decoder.pixel(x, y));
    return pixels;
}

} // namespace

// Rows are coded bottom-up: a decoder filling top-down shows clips upside down.
TEST(Rle8Decoder, EncodedRunsFillRowsFromTheBottom) {
    Rle8Decoder decoder(4, 2);
    decoder.decode(bytes({2, 5, 2, 6, 0, 0, 4, 7, 0, 1}));
    EXPECT_EQ(row(decoder, 1), QList<int>({5, 5, 6, 6}));
    EXPECT_EQ(row(decoder, 0), QList<int>({7, 7, 7, 7}));
}

// Pixels a frame skips keep the previous frame: clearing them would blank the
// picture around every change.
TEST(Rle8Decoder, DeltaAndEarlyEndOfLineKeepThePreviousFrame) {
    Rle8Decoder decoder(4, 3);
    decoder.decode(bytes({4, 9, 0, 0, 4, 9, 0, 0, 4, 9, 0, 1}));
    decoder.decode(bytes({0, 2, 1, 1, 1, 3, 0, 0, 2, 4, 0, 1}));
    EXPECT_EQ(row(decoder, 2), QList<int>({9, 9, 9, 9}));
    EXPECT_EQ(row(decoder, 1), QList<int>({9, 3, 9, 9}));
    EXPECT_EQ(row(decoder, 0), QList<int>({4, 4, 9, 9}));
}

// An absolute run of odd length carries one pad byte; reading it as a command
// shifts every later command.
TEST(Rle8Decoder, AbsoluteRunsSkipTheirPadByteOnlyWhenOdd) {
    Rle8Decoder odd(6, 1);
    odd.decode(bytes({0, 3, 1, 2, 3, 0, 3, 4, 0, 1}));
    EXPECT_EQ(row(odd, 0), QList<int>({1, 2, 3, 4, 4, 4}));

    Rle8Decoder even(6, 1);
    even.decode(bytes({0, 4, 1, 2, 3, 4, 2, 5, 0, 1}));
    EXPECT_EQ(row(even, 0), QList<int>({1, 2, 3, 4, 5, 5}));
}

// Each case would write or read outside the canvas or the frame if let through.
TEST(Rle8Decoder, RunsLeavingThePictureOrTheFrameAreRefused) {
    const QList<QByteArray> faults = {
        bytes({5, 1}),                   // run wider than the row
        bytes({3, 1, 2, 1}),             // second run crosses the right edge
        bytes({0, 5, 1, 2, 3, 4, 5, 0}), // absolute run wider than the row
        bytes({0, 0, 0, 0, 1, 1}),       // row above the top
        bytes({0, 2, 5, 0, 1, 1}),       // delta past the right edge
        bytes({0, 2, 0, 3}),             // delta past the top
        bytes({3}),                      // pair cut off
        bytes({0, 2, 1}),                // delta cut off
        bytes({0, 3, 1, 2, 3}),          // pad byte of an absolute run missing
        bytes({0, 4, 1, 2}),             // absolute run cut off
    };
    for (const QByteArray& frame : faults) {
        Rle8Decoder decoder(4, 2);
        EXPECT_THROW(decoder.decode(frame), tavor::Error) << frame.toHex().toStdString();
    }
}

// A delta or run may end exactly on the right edge, and an end of line may
// follow the top row.
TEST(Rle8Decoder, RunsReachingTheEdgesExactlyAreAccepted) {
    Rle8Decoder decoder(4, 2);
    EXPECT_NO_THROW(decoder.decode(bytes({0, 2, 4, 0, 0, 0, 0, 4, 1, 2, 3, 4, 0, 0})));
    EXPECT_EQ(row(decoder, 1), QList<int>({0, 0, 0, 0}));
    EXPECT_EQ(row(decoder, 0), QList<int>({1, 2, 3, 4}));
}
