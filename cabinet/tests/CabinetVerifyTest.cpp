#include "base/Error.h"
#include "cabinet/CabinetWriter.h"
#include "cabinet/MszipCabinetCompressor.h"
#include "support/FaultySystemCalls.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

namespace {

// Where in a cabinet of BR_LCS.bak a byte goes bad on the medium.
struct BadByte {
    const char* label;
    off_t offset; // from the end when negative
};

void PrintTo(const BadByte& bad, std::ostream* out) {
    *out << bad.label;
}

// A cabinet that reads back wrong must never take its name: the compressor fails,
// the older cabinet stays as it was and no temporary file is left.
class CabinetVerify : public testing::TestWithParam<BadByte> {
protected:
    void SetUp() override {
        writeFile(source(), randomBytes(200 * 1024 + 5, 31));
        pack(SystemCalls::host());
        olderCabinet_ = readFile(cabinet());
        // Compressible, so that the new cabinet's layout differs from the older one's.
        writeFile(source(), QByteArray(300 * 1024, 'x') + randomBytes(40 * 1024, 32));
    }

    QString cabinet() const { return dir_.filePath(QStringLiteral("out/BR_LCS.cab")); }
    QString source() const { return dir_.filePath(QStringLiteral("BR_LCS.bak")); }

    void pack(SystemCalls& calls) {
        QDir().mkpath(dir_.filePath(QStringLiteral("out")));
        MszipCabinetCompressor compressor(calls);
        compressor.setCabinetFile(cabinet());
        compressor.fileList().add(source(), QString());
        compressor.compress();
    }

    QTemporaryDir dir_;
    QByteArray olderCabinet_;
};

} // namespace

TEST_P(CabinetVerify, ByteLostOnTheMediumFailsAndKeepsOlderCabinet) {
    // The new cabinet's size, to place the bad byte from its end.
    QTemporaryDir probe;
    const QString probeCabinet = probe.filePath(QStringLiteral("BR_LCS.cab"));
    MszipCabinetCompressor sizing;
    sizing.setCabinetFile(probeCabinet);
    sizing.fileList().add(source(), QString());
    sizing.compress();
    const off_t size = off_t(QFileInfo(probeCabinet).size());

    const off_t offset = GetParam().offset < 0 ? size + GetParam().offset : GetParam().offset;
    FaultySystemCalls calls;
    calls.corruptReadBackAt(offset);
    try {
        pack(calls);
        FAIL() << "a cabinet that reads back wrong was put in place";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::DeviceIOError);
        EXPECT_TRUE(e.description().contains(QStringLiteral("read back")))
            << e.report().toStdString();
        EXPECT_TRUE(e.description().contains(cabinet())) << e.report().toStdString();
    }
    EXPECT_GE(calls.readBackCacheDrops(), 1) << "read back from memory, not from the disk";
    EXPECT_EQ(calls.readBackFromCache(), 0) << "read bytes whose cached pages were kept";
    EXPECT_TRUE(readFile(cabinet()) == olderCabinet_);
    EXPECT_EQ(folderEntries(dir_.filePath(QStringLiteral("out"))), QStringList{"BR_LCS.cab"});
}

// Header, file record and name, a block's checksum, its deflate stream, the last
// byte of the last block.
INSTANTIATE_TEST_SUITE_P(Offsets, CabinetVerify,
                         testing::Values(BadByte{"Signature", 0}, BadByte{"CabinetSize", 8},
                                         BadByte{"FileSize", 44}, BadByte{"Name", 62},
                                         BadByte{"BlockChecksum", 72}, BadByte{"BlockLength", 76},
                                         BadByte{"Deflate", 90}, BadByte{"LastByte", -1}),
                         [](const testing::TestParamInfo<BadByte>& info) {
                             return std::string(info.param.label);
                         });

// A byte lost early in a large cabinet must stop the packing there, not after the
// whole source has been packed and flushed to a medium that lost it. The writer
// gets at most some 16 MiB ahead of what was read back, so 40 MiB leave room.
TEST_F(CabinetVerify, ByteLostEarlyStopsThePackingEarly) {
    writeFile(source(), randomBytes(40 * 1024 * 1024, 33));
    FaultySystemCalls calls;
    calls.corruptReadBackAt(5 * 1024 * 1024);
    int highest = -1;
    try {
        CabinetWriter(calls).write(cabinet(), source(), QStringLiteral("BR_LCS.bak"),
                                   [&](int percent) { highest = percent; });
        FAIL() << "a cabinet that reads back wrong was put in place";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("fails its checksum")))
            << e.report().toStdString();
    }
    EXPECT_LT(highest, 80) << "the whole source was packed before the fault was seen";
    EXPECT_TRUE(readFile(cabinet()) == olderCabinet_);
}
