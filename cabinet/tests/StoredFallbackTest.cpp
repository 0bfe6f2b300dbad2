#include "DeflateBlockWriter.h"
#include "cabinet/CabinetWriter.h"
#include "cabinet/DeflateStreamScanner.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <vector>

using namespace tavor;
using namespace tavor::test;

namespace {

// Bytes that libdeflate 1.14 packs as a dynamic block with no distance code at all.
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

// Decodes a whole stream, or gives an empty array when libdeflate refuses it.
QByteArray inflated(const std::vector<std::uint8_t>& stream, qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    const libdeflate_result result = libdeflate_deflate_decompress(
        decompressor, stream.data(), stream.size(), bytes.data(), std::size_t(size), nullptr);
    libdeflate_free_decompressor(decompressor);
    return result == LIBDEFLATE_SUCCESS ? bytes : QByteArray();
}

using Lengths = DeflateBlockWriter::Lengths;
const Lengths NoDistanceCode = {};
const Lengths OneDistanceCode = {{0, 1}};
const Lengths TwoDistanceCodes = {{0, 1}, {1, 1}};

// "aba" in a dynamic block of literals only, with the distance code given.
void addLiteralBlock(DeflateBlockWriter& writer, bool final, const Lengths& distances) {
    writer.addDynamicBlock(final, {{'a', 1}, {'b', 2}, {256, 2}}, distances,
                           {DeflateBlockWriter::literalOrLength('a'),
                            DeflateBlockWriter::literalOrLength('b'),
                            DeflateBlockWriter::literalOrLength('a')});
}
const QByteArray LiteralBlockBytes = "aba";

// 18 times "a": matches of lengths 3 and 11 (extra bits) at distances 1 and 5
// (extra bits), to be walked to the end of the block.
void addMatchBlock(DeflateBlockWriter& writer, bool final) {
    using W = DeflateBlockWriter;
    writer.addDynamicBlock(final, {{'a', 2}, {256, 2}, {257, 2}, {265, 2}}, {{0, 1}, {4, 1}},
                           {W::literalOrLength('a'), W::literalOrLength(257), W::distance(0),
                            W::literalOrLength(257), W::distance(0), W::literalOrLength(265, 1, 0),
                            W::distance(4, 1, 0)});
}
const QByteArray MatchBlockBytes = QByteArray(18, 'a');

// Text, then digits of another distribution: what libdeflate makes of ordinary data.
QByteArray twoBlockText() {
    QByteArray digits = randomBytes(20000, 5);
    for (char& byte : digits) {
        byte = char('0' + (byte & 3));
    }
    return QByteArray("the quick brown fox jumps over the lazy dog ").repeated(500) + digits;
}

} // namespace

// The scanner must find an empty or one-symbol distance code (else the cabinet is
// refused on reading back), also behind other blocks, yet pass complete codes (else
// every block would be stored and cabinets would not shrink). The streams are built
// by hand: which of them a compressor emits changes from one version to the next.
// Each is valid deflate, as the decoder shows, so only the code can be refused.
TEST(CabinetStreamScanner, FindsMissingDistanceCodeAndPassesOrdinaryStreams) {
    struct Case {
        const char* name;
        bool storedFirst;
        bool matchesFirst;
        Lengths distances;
        bool complete;
    };
    const Case cases[] = {
        {"no distance code", false, false, NoDistanceCode, false},
        {"one distance code", false, false, OneDistanceCode, false},
        {"two distance codes", false, false, TwoDistanceCodes, true},
        {"no distance code after a stored block", true, false, NoDistanceCode, false},
        {"no distance code after a block of matches", false, true, NoDistanceCode, false},
        {"one distance code after both", true, true, OneDistanceCode, false},
        {"two distance codes after both", true, true, TwoDistanceCodes, true},
    };
    for (const Case& c : cases) {
        DeflateBlockWriter writer;
        QByteArray expected;
        if (c.storedFirst) {
            writer.addStoredBlock(false, "abc");
            expected += "abc";
        }
        if (c.matchesFirst) {
            addMatchBlock(writer, false);
            expected += MatchBlockBytes;
        }
        addLiteralBlock(writer, true, c.distances);
        expected += LiteralBlockBytes;
        EXPECT_EQ(inflated(writer.bytes(), expected.size()), expected) << c.name;
        EXPECT_EQ(complete(writer.bytes()), c.complete) << c.name;
    }

    EXPECT_TRUE(complete(deflated(twoBlockText())));
    EXPECT_TRUE(complete(deflated(QByteArray())));
}

// A stream cut short inside a block that is not the last must not count as
// readable: the scanner would walk past its end.
TEST(CabinetStreamScanner, RefusesStreamCutShort) {
    DeflateBlockWriter writer;
    addMatchBlock(writer, false);
    addLiteralBlock(writer, true, TwoDistanceCodes);
    ASSERT_TRUE(complete(writer.bytes()));
    DeflateBlockWriter firstBlock;
    addMatchBlock(firstBlock, false);
    for (const std::size_t size : {firstBlock.bytes().size() - 1, std::size_t(20)}) {
        const std::vector<std::uint8_t> cut(writer.bytes().begin(), writer.bytes().begin() + size);
        EXPECT_FALSE(complete(cut)) << size;
    }
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
