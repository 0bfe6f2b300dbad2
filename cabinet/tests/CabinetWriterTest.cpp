#include "cabinet/CabinetWriter.h"
#include "base/Error.h"
#include "cabinet/CabinetFormat.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tavor;
using namespace tavor::test;

namespace {

class CabinetWriterTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString cabinet() const { return path(QStringLiteral("BR_HS.cab")); }
    QString source() const { return path(QStringLiteral("BR_HS.bak")); }

    // A sparse file: takes no room on disk whatever its size.
    void makeSparseSource(qint64 size) {
        QFile file(source());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }

    QTemporaryDir dir_;
};

int expectRefused(const std::function<void()>& step) {
    try {
        step();
    } catch (const Error& e) {
        return int(e.number());
    }
    ADD_FAILURE() << "no error raised";
    return 0;
}

} // namespace

// The window shows every percentage as it comes: they must start at 0, rise
// strictly, end with 100, and 100 must mean the cabinet is in place.
TEST_F(CabinetWriterTest, ProgressRisesOnceEachAndEndsWhenCabinetIsInPlace) {
    writeFile(source(), randomBytes(3 * 1024 * 1024, 3));
    std::vector<int> seen;
    bool inPlaceBeforeHundred = false;
    bool missingAtHundred = false;
    CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), [&](int percent) {
        seen.push_back(percent);
        const bool exists = QFileInfo::exists(cabinet());
        inPlaceBeforeHundred |= percent < 100 && exists;
        missingAtHundred |= percent == 100 && !exists;
    });
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), std::less_equal<int>()));
    EXPECT_GT(seen.size(), 50u) << "a 96-block file should report most percentages";
    EXPECT_FALSE(inPlaceBeforeHundred);
    EXPECT_FALSE(missingAtHundred);
}

TEST_F(CabinetWriterTest, EmptySourceReportsZeroThenHundred) {
    writeFile(source(), {});
    std::vector<int> seen;
    CabinetWriter().write(cabinet(), source(), QStringLiteral("e"),
                          [&](int percent) { seen.push_back(percent); });
    EXPECT_EQ(seen, (std::vector<int>{0, 100}));
}

// A good run replaces an older cabinet of the same name with the new one.
TEST_F(CabinetWriterTest, ReplacesAnOlderCabinet) {
    writeFile(cabinet(), "an older cabinet");
    writeFile(source(), "today's data");
    CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), {});
    const MspackContents contents = readWithMspack(cabinet(), path(QStringLiteral("back")));
    ASSERT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("back"))), QByteArray("today's data"));
    EXPECT_EQ(folderEntries(dir_.path()), (QStringList{"BR_HS.bak", "BR_HS.cab", "back"}));
}

// One byte over what a folder can hold would wrap the block count; it must be
// refused before anything, even a temporary file, is written.
TEST_F(CabinetWriterTest, SourceOneByteOverTheLimitIsRefusedWithNothingWritten) {
    makeSparseSource(cabinet::MaxFolderBytes + 1);
    bool progressed = false;
    const int number = expectRefused([&] {
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"),
                              [&](int) { progressed = true; });
    });
    EXPECT_EQ(number, ErrorNumber::InvalidProcedureCall);
    EXPECT_FALSE(progressed);
    EXPECT_EQ(folderEntries(dir_.path()), QStringList{"BR_HS.bak"});
}

// A source written to while it is packed would give a cabinet of neither its old
// nor its new contents.
TEST_F(CabinetWriterTest, SourceGrowingWhilePackedFails) {
    writeFile(cabinet(), "an older cabinet");
    writeFile(source(), randomBytes(2 * 1024 * 1024, 5));
    const int number = expectRefused([&] {
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), [&](int percent) {
            if (percent == 50) {
                QFile file(source());
                ASSERT_TRUE(file.open(QIODevice::Append));
                file.write("more");
            }
        });
    });
    EXPECT_EQ(number, ErrorNumber::DeviceIOError);
    EXPECT_EQ(readFile(cabinet()), QByteArray("an older cabinet"));
    EXPECT_EQ(folderEntries(dir_.path()), (QStringList{"BR_HS.bak", "BR_HS.cab"}));
}

TEST_F(CabinetWriterTest, SourceTouchedWhilePackedFails) {
    writeFile(source(), randomBytes(2 * 1024 * 1024, 6));
    const int number = expectRefused([&] {
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), [&](int percent) {
            if (percent == 50) {
                const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
                ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(source()).constData(), times, 0),
                          0);
            }
        });
    });
    EXPECT_EQ(number, ErrorNumber::DeviceIOError);
    EXPECT_FALSE(QFileInfo::exists(cabinet()));
}

// A source that shrinks under the workers must fail, not pad the cabinet.
TEST_F(CabinetWriterTest, SourceShrinkingWhilePackedFails) {
    writeFile(source(), randomBytes(8 * 1024 * 1024, 8));
    const int number = expectRefused([&] {
        CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), [&](int percent) {
            if (percent == 1) {
                ASSERT_EQ(truncate(QFile::encodeName(source()).constData(), 40000), 0);
            }
        });
    });
    EXPECT_EQ(number, ErrorNumber::DeviceIOError);
    EXPECT_FALSE(QFileInfo::exists(cabinet()));
}

TEST_F(CabinetWriterTest, MissingSourceFailsWithFileNotFound) {
    const int number = expectRefused(
        [&] { CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"), {}); });
    EXPECT_EQ(number, ErrorNumber::FileNotFound);
    EXPECT_TRUE(folderEntries(dir_.path()).isEmpty());
}

TEST_F(CabinetWriterTest, MissingTargetFolderFailsWithPathNotFound) {
    writeFile(source(), "data");
    const int number = expectRefused([&] {
        CabinetWriter().write(path(QStringLiteral("no/such/BR_HS.cab")), source(),
                              QStringLiteral("BR_HS.bak"), {});
    });
    EXPECT_EQ(number, ErrorNumber::PathNotFound);
}

// An exception from the window's progress handler must not leave workers running
// or a temporary file behind.
TEST_F(CabinetWriterTest, FailingProgressHandlerLeavesNothingBehind) {
    writeFile(source(), randomBytes(1024 * 1024, 9));
    EXPECT_THROW(CabinetWriter().write(cabinet(), source(), QStringLiteral("BR_HS.bak"),
                                       [](int percent) {
                                           if (percent >= 10) {
                                               throw std::runtime_error("window closed");
                                           }
                                       }),
                 std::runtime_error);
    EXPECT_EQ(folderEntries(dir_.path()), QStringList{"BR_HS.bak"});
}
