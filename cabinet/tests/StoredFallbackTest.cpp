#include "support/CabinetReadBack.h"
#include "cabinet/CabinetWriter.h"
#include "cabinet/DeflateStreamScanner.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <vector>

using namespace tavor;
using namespace tavor::test;

namespace {

// Bytes that libdeflate packs as a dynamic block with no distance code at all.
QByteArray reproducer() {
    return QByteArray::fromBase64("Qf///////0FBRr6+vr6+uEFBQUE6QUFBQUF0QUFBQYCAgIBBQUFBQUE=");
}

// A whole block over 32 of the 256 byte values in which no 3 bytes repeat (a de
// Bruijn sequence): skewed enough for Huffman codes, yet without one match.
QByteArray blockWithoutMatches() {
    constexpr int Alphabet = 32;
    constexpr int Order = 3;
    QByteArray bytes;
    std::vector<int> word(Alphabet * Order, 0);
    auto extend = [&](auto&& self, int t, int p) -> void {
        if (t > Order) {
            if (Order % p == 0) {
                for (int i = 1; i <= p; ++i) {
                    bytes.append(char('A' + word[std::size_t(i)]));
                }
            }
            return;
        }
        word[std::size_t(t)] = word[std::size_t(t - p)];
        self(self, t + 1, p);
        for (int j = word[std::size_t(t - p)] + 1; j < Alphabet; ++j) {
            word[std::size_t(t)] = j;
            self(self, t + 1, t);
        }
    };
    extend(extend, 1, 1);
    return bytes;
}

std::vector<std::uint8_t> deflated(const QByteArray& bytes) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    std::vector<std::uint8_t> out(libdeflate_deflate_compress_bound(compressor, bytes.size()));
    out.resize(libdeflate_deflate_compress(compressor, bytes.constData(), bytes.size(), out.data(),
                                           out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

bool complete(const std::vector<std::uint8_t>& stream) {
    return DeflateStreamScanner::everyCodeComplete(stream.data(), stream.size());
}

// A non-final stored block of three bytes, to put in front of another stream.
std::vector<std::uint8_t> withStoredBlockFirst(const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> out = {0x00, 3, 0, 0xFC, 0xFF, 'a', 'b', 'c'};
    out.resize(8 + stream.size());
    std::copy(stream.begin(), stream.end(), out.begin() + 8);
    return out;
}

} // namespace

// Text, then digits of another distribution: libdeflate ends its first block
// where the statistics change, so the scanner has to decode that block to its end.
QByteArray twoBlockText() {
    QByteArray digits = randomBytes(20000, 5);
    for (char& byte : digits) {
        byte = char('0' + (byte & 3));
    }
    return QByteArray("the quick brown fox jumps over the lazy dog ").repeated(500) + digits;
}

// The scanner must find the missing distance code (else the cabinet is refused on
// reading back), also behind another block, yet pass ordinary streams (else every
// block would be stored and cabinets would not shrink).
TEST(CabinetStreamScanner, FindsMissingDistanceCodeAndPassesOrdinaryStreams) {
    const std::vector<std::uint8_t> noDistances = deflated(reproducer());
    ASSERT_FALSE(noDistances.empty());
    EXPECT_FALSE(complete(noDistances));
    EXPECT_FALSE(complete(withStoredBlockFirst(noDistances)));
    EXPECT_FALSE(complete(deflated(blockWithoutMatches())));

    const std::vector<std::uint8_t> ordinary = deflated(twoBlockText());
    ASSERT_EQ(ordinary[0] & 1, 0) << "the first block should not be the last";
    EXPECT_TRUE(complete(ordinary));
    EXPECT_TRUE(complete(withStoredBlockFirst(ordinary)));
    EXPECT_TRUE(complete(deflated(QByteArray())));
}

// A stream cut short inside a block that is not the last must not count as
// readable: the scanner would walk past its end.
TEST(CabinetStreamScanner, RefusesStreamCutShort) {
    std::vector<std::uint8_t> stream = deflated(twoBlockText());
    stream.resize(20);
    EXPECT_FALSE(complete(stream));
    const std::vector<std::uint8_t> storedCutShort = {0x01, 3, 0, 0xFC, 0xFF, 'a'};
    EXPECT_FALSE(complete(storedCutShort));
    const std::vector<std::uint8_t> nothingAfterFirstBlock = {0x00, 1, 0, 0xFE, 0xFF, 'a'};
    EXPECT_FALSE(complete(nothingAfterFirstBlock));
}

// Bytes whose deflate block lacks a distance code used to fail the backup on
// reading back; they must pack, verify and come back equal through both readers.
TEST(CabinetStoredFallback, BlocksWithoutMatchesPackAndReadBack) {
    const QByteArray matchless = blockWithoutMatches();
    ASSERT_EQ(matchless.size(), 32768);
    const QByteArray samples[] = {reproducer(), matchless, matchless + reproducer(),
                                  reproducer() + randomBytes(100000, 3) + matchless};
    for (const QByteArray& bytes : samples) {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("BR_TAVOR.bak"));
        const QString cabinet = dir.filePath(QStringLiteral("BR_TAVOR.cab"));
        writeFile(source, bytes);
        CabinetWriterOptions options;
        options.verify = true;
        CabinetWriter(SystemCalls::host(), options)
            .write(cabinet, source, QStringLiteral("BR_TAVOR.bak"), [](int) {});

        const MspackContents contents =
            readWithMspack(cabinet, dir.filePath(QStringLiteral("back")));
        ASSERT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
        EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("back"))) == bytes);
        EXPECT_EQ(md5FromCabextract(cabinet), md5OfFile(source));
    }
}
