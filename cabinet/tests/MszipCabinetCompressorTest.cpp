#include "cabinet/MszipCabinetCompressor.h"
#include "base/Error.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

namespace {

class MszipCabinetCompressorTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
    MszipCabinetCompressor compressor_;
};

} // namespace

// The window adds one file per call on the same component: a file left in the list
// by an earlier call must not be packed again.
TEST_F(MszipCabinetCompressorTest, EachCompressPacksOnlyTheFileAddedForIt) {
    writeFile(path(QStringLiteral("a.bak")), "first");
    writeFile(path(QStringLiteral("b.bak")), "second");
    compressor_.setCabinetFile(path(QStringLiteral("a.cab")));
    compressor_.fileList().add(path(QStringLiteral("a.bak")), QString());
    compressor_.compress();
    compressor_.setCabinetFile(path(QStringLiteral("b.cab")));
    compressor_.fileList().add(path(QStringLiteral("b.bak")), QString());
    compressor_.compress();

    const MspackContents contents =
        readWithMspack(path(QStringLiteral("b.cab")), path(QStringLiteral("back")));
    ASSERT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
    EXPECT_EQ(contents.name, QByteArray("b.bak"));
    EXPECT_EQ(readFile(path(QStringLiteral("back"))), QByteArray("second"));
}

TEST_F(MszipCabinetCompressorTest, FailedCompressEmptiesTheList) {
    compressor_.setCabinetFile(path(QStringLiteral("a.cab")));
    compressor_.fileList().add(path(QStringLiteral("missing.bak")), QString());
    EXPECT_THROW(compressor_.compress(), Error);
    EXPECT_TRUE(compressor_.fileList().entries().empty());
}

TEST_F(MszipCabinetCompressorTest, EmptyListOrNoCabinetFileIsAnError) {
    compressor_.setCabinetFile(path(QStringLiteral("a.cab")));
    EXPECT_THROW(compressor_.compress(), Error);
    compressor_.setCabinetFile(QString());
    writeFile(path(QStringLiteral("a.bak")), "x");
    compressor_.fileList().add(path(QStringLiteral("a.bak")), QString());
    EXPECT_THROW(compressor_.compress(), Error);
    EXPECT_TRUE(folderEntries(dir_.path()) == QStringList{"a.bak"});
}

TEST_F(MszipCabinetCompressorTest, GivenNameNamesTheEntry) {
    writeFile(path(QStringLiteral("a.bak")), "x");
    compressor_.setCabinetFile(path(QStringLiteral("a.cab")));
    compressor_.fileList().add(path(QStringLiteral("a.bak")), QStringLiteral("renamed.bak"));
    compressor_.compress();
    const MspackContents contents =
        readWithMspack(path(QStringLiteral("a.cab")), path(QStringLiteral("back")));
    EXPECT_EQ(contents.name, QByteArray("renamed.bak"));
}

// The progress handler set on the component is the one the writer calls.
TEST_F(MszipCabinetCompressorTest, ProgressReachesTheHandler) {
    writeFile(path(QStringLiteral("a.bak")), randomBytes(200000, 2));
    std::vector<int> seen;
    compressor_.setProgressHandler([&](int percent) { seen.push_back(percent); });
    compressor_.setCabinetFile(path(QStringLiteral("a.cab")));
    compressor_.fileList().add(path(QStringLiteral("a.bak")), QString());
    compressor_.compress();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
}
