#include "cabinet/CabinetFormat.h"
#include "cabinet/MszipCabinetCompressor.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <mspack.h>
#include <sys/stat.h>

using namespace tavor;
using namespace tavor::test;

namespace {

struct Sample {
    const char* label;
    qsizetype size;
    bool random;
};

void PrintTo(const Sample& sample, std::ostream* out) {
    *out << sample.label;
}

class CabinetRoundTrip : public testing::TestWithParam<Sample> {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Packs source, then has libmspack and cabextract read it back.
    void packAndReadBack(const QString& source, const QByteArray& bytes) {
        const QString cabinet = path(QStringLiteral("out.cab"));
        MszipCabinetCompressor compressor;
        compressor.setCabinetFile(cabinet);
        compressor.fileList().add(source, QString());
        compressor.compress();

        const MspackContents contents = readWithMspack(cabinet, path(QStringLiteral("back")));
        ASSERT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
        EXPECT_EQ(contents.fileCount, 1);
        EXPECT_EQ(contents.name, QFileInfo(source).fileName().toUtf8());
        EXPECT_EQ(contents.length, bytes.size());
        EXPECT_TRUE(readFile(path(QStringLiteral("back"))) == bytes);
        EXPECT_EQ(md5FromCabextract(cabinet), md5OfFile(source));
    }

    QTemporaryDir dir_;
};

} // namespace

// Block boundaries, empty files and incompressible data must all come back byte
// for byte through both independent readers.
TEST_P(CabinetRoundTrip, ReadersGetTheSameBytesBack) {
    const Sample sample = GetParam();
    const QByteArray bytes =
        sample.random ? randomBytes(sample.size, quint32(sample.size)) : QByteArray(sample.size, 0);
    const QString source = path(QStringLiteral("BR_TAVOR.bak"));
    writeFile(source, bytes);
    packAndReadBack(source, bytes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CabinetRoundTrip,
                         testing::Values(Sample{"Empty", 0, false}, Sample{"OneByte", 1, true},
                                         Sample{"BlockLessOneRandom", 32767, true},
                                         Sample{"BlockLessOneZeros", 32767, false},
                                         Sample{"OneBlockRandom", 32768, true},
                                         Sample{"OneBlockZeros", 32768, false},
                                         Sample{"BlockPlusOneRandom", 32769, true},
                                         Sample{"BlockPlusOneZeros", 32769, false},
                                         Sample{"SeveralMiBRandom", 6 * 1024 * 1024 + 12345, true},
                                         Sample{"SeveralMiBZeros", 6 * 1024 * 1024 + 12345, false}),
                         [](const testing::TestParamInfo<Sample>& info) {
                             return std::string(info.param.label);
                         });

// An Arabic name must reach the reader as UTF-8 and be flagged as such, or
// extracting tools would show it as Latin-1 garbage.
TEST_F(CabinetRoundTrip, ArabicNameIsStoredAsFlaggedUtf8) {
    const QString source = path(QStringLiteral("نسخة_الفرع.bak"));
    const QByteArray bytes = randomBytes(100000, 7);
    writeFile(source, bytes);
    packAndReadBack(source, bytes);
    const MspackContents contents =
        readWithMspack(path(QStringLiteral("out.cab")), path(QStringLiteral("back")));
    EXPECT_TRUE(contents.attributes & MSCAB_ATTRIB_UTF_NAME);
}

// The entry carries the source's own modification time (to the two seconds the
// format can hold), not the time of packing.
TEST_F(CabinetRoundTrip, EntryKeepsTheSourceDateAndTime) {
    const QString source = path(QStringLiteral("old.bak"));
    writeFile(source, "history");
    const QDateTime stamp(QDate(2019, 3, 14), QTime(15, 9, 27));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    packAndReadBack(source, "history");
    const MspackContents contents =
        readWithMspack(path(QStringLiteral("out.cab")), path(QStringLiteral("back")));
    EXPECT_EQ(contents.year, 2019);
    EXPECT_EQ(contents.month, 3);
    EXPECT_EQ(contents.day, 14);
    EXPECT_EQ(contents.hour, 15);
    EXPECT_EQ(contents.minute, 9);
    EXPECT_EQ(contents.second, 26);
}

// Blocks must actually be deflated: a file of zeros that came out stored would
// still read back correctly.
TEST_F(CabinetRoundTrip, CompressibleDataIsDeflated) {
    const QString source = path(QStringLiteral("zeros.bak"));
    const QByteArray bytes(4 * 1024 * 1024, 0);
    writeFile(source, bytes);
    packAndReadBack(source, bytes);
    EXPECT_LT(QFileInfo(path(QStringLiteral("out.cab"))).size(), bytes.size() / 100);
}
