#include "cabinet/CabinetStreamCheck.h"
#include "cabinet/CabinetFormat.h"
#include "cabinet/CabinetWriter.h"
#include "cabinet/MszipBlockDecoder.h"
#include "cabinet/MszipBlockEncoder.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace tavor;
using namespace tavor::test;

namespace {

const std::uint8_t* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

// A cabinet of the packing given, as written to disk.
QByteArray packed(const QByteArray& source, CabinetPacking packing) {
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("in.bak")), source);
    CabinetWriterOptions options;
    options.packing = packing;
    CabinetWriter(SystemCalls::host(), options)
        .write(dir.filePath(QStringLiteral("out.cab")), dir.filePath(QStringLiteral("in.bak")),
               QStringLiteral("in.bak"), {});
    return readFile(dir.filePath(QStringLiteral("out.cab")));
}

// Feeds a cabinet to the check in pieces of one size; returns what it found.
QString checkInPieces(const QByteArray& cabinet, qsizetype piece, ContentChecksum& unpacked) {
    CabinetStreamCheck check;
    for (qsizetype at = 0; at < cabinet.size(); at += piece) {
        const QByteArray part = cabinet.mid(at, piece);
        if (QString problem = check.take(bytesOf(part), std::size_t(part.size()));
            !problem.isEmpty())
            return problem;
    }
    unpacked = check.unpacked();
    return check.finish(cabinet.left(qsizetype(check.dataStart())), cabinet.size());
}

class CabinetStreamCheckTest : public testing::TestWithParam<qsizetype> {};

} // namespace

// The read-back gets the cabinet in stretches that split records and blocks
// anywhere: every split must give the same verdict as the whole at once.
TEST_P(CabinetStreamCheckTest, AnySplitOfAGoodCabinetChecksOutWithItsSource) {
    const QByteArray source = repeatedStretch(300 * 1024 + 17, 9);
    ContentChecksum expected;
    expected.add(source.constData(), std::size_t(source.size()));
    for (CabinetPacking packing : {CabinetPacking::Fast, CabinetPacking::Small}) {
        ContentChecksum unpacked;
        EXPECT_EQ(checkInPieces(packed(source, packing), GetParam(), unpacked), QString());
        EXPECT_EQ(unpacked, expected);
    }
}

// A byte lost inside a block is its checksum's to find, wherever the split falls.
TEST_P(CabinetStreamCheckTest, AnySplitFindsAByteLostInABlock) {
    QByteArray cabinet = packed(repeatedStretch(200 * 1024, 9), CabinetPacking::Small);
    cabinet[cabinet.size() / 2] = char(cabinet[cabinet.size() / 2] ^ 0x20);
    ContentChecksum unpacked;
    EXPECT_EQ(checkInPieces(cabinet, GetParam(), unpacked),
              QStringLiteral("has a data block that fails its checksum"));
}

INSTANTIATE_TEST_SUITE_P(Pieces, CabinetStreamCheckTest, testing::Values(1, 7, 4096, 1 << 30));

// A block that refers into the one before it cannot be unpacked without it: a
// decoder that let it through would pass cabinets readers refuse.
TEST(MszipBlockDecoderTest, BlockReferringBackNeedsTheBlockBefore) {
    const QByteArray source = repeatedStretch(2 * cabinet::BlockSize, 9);
    const auto* first = bytesOf(source);
    const auto* second = first + cabinet::BlockSize;
    MszipBlockEncoder encoder(6);
    std::vector<std::uint8_t> one(encoder.maxEncodedSize());
    std::vector<std::uint8_t> two(encoder.maxEncodedSize());
    const std::size_t oneSize = encoder.encode({}, first, cabinet::BlockSize, one.data());
    const std::size_t twoSize =
        encoder.encode({first, cabinet::BlockSize}, second, cabinet::BlockSize, two.data());
    const auto payload = [](const std::vector<std::uint8_t>& block, std::size_t size) {
        return std::make_pair(block.data() + cabinet::DataHeaderSize,
                              size - cabinet::DataHeaderSize);
    };
    const auto [twoPayload, twoLength] = payload(two, twoSize);

    MszipBlockDecoder alone;
    EXPECT_TRUE(alone.decode(twoPayload, twoLength, cabinet::BlockSize).empty());

    MszipBlockDecoder inOrder;
    const auto [onePayload, oneLength] = payload(one, oneSize);
    ASSERT_FALSE(inOrder.decode(onePayload, oneLength, cabinet::BlockSize).empty());
    const std::span<const std::uint8_t> back =
        inOrder.decode(twoPayload, twoLength, cabinet::BlockSize);
    ASSERT_EQ(back.size(), cabinet::BlockSize);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), second));
}
