#include "platform/files/LinuxFileServices.h"
#include "platform/Error.h"
#include "support/FaultySystemCalls.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;
using Call = FaultySystemCalls::Call;

namespace {

class LinuxFileServicesTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString source() const { return path(QStringLiteral("BR_TAVOR.bak")); }
    QString target() const { return path(QStringLiteral("copy/BR_TAVOR.bak")); }

    void SetUp() override {
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("copy")));
        sourceBytes_ = randomBytes(3 * 1024 * 1024 + 7, 21);
        writeFile(source(), sourceBytes_);
    }

    long copyFailure(SystemCalls& calls) {
        try {
            LinuxFileServices(calls).copyFile(source(), target());
        } catch (const Error& e) {
            return e.number();
        }
        ADD_FAILURE() << "no error raised";
        return 0;
    }

    QTemporaryDir dir_;
    QByteArray sourceBytes_;
};

} // namespace

TEST_F(LinuxFileServicesTest, SizeOfAFile) {
    EXPECT_EQ(LinuxFileServices().fileSize(source()), sourceBytes_.size());
    writeFile(path(QStringLiteral("empty")), {});
    EXPECT_EQ(LinuxFileServices().fileSize(path(QStringLiteral("empty"))), 0);
}

// An unreadable size is empty, never 0 or -1 taken for a real size.
TEST_F(LinuxFileServicesTest, SizeIsEmptyForMissingFilesAndFolders) {
    EXPECT_EQ(LinuxFileServices().fileSize(path(QStringLiteral("missing"))), std::nullopt);
    EXPECT_EQ(LinuxFileServices().fileSize(dir_.path()), std::nullopt);
}

// Sizes past 4 GiB must not be cut to 32 bits.
TEST_F(LinuxFileServicesTest, SizeOfAVeryLargeSparseFile) {
    QFile file(path(QStringLiteral("large")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(5'000'000'000));
    file.close();
    EXPECT_EQ(LinuxFileServices().fileSize(path(QStringLiteral("large"))), 5'000'000'000);
}

TEST_F(LinuxFileServicesTest, CopyHasTheSameBytesAndDate) {
    const QDateTime stamp(QDate(2021, 6, 1), QTime(8, 30, 0));
    QFile file(source());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    LinuxFileServices().copyFile(source(), target());
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
    EXPECT_EQ(QFileInfo(target()).lastModified(), stamp);
    EXPECT_EQ(folderEntries(path(QStringLiteral("copy"))), QStringList{"BR_TAVOR.bak"});
}

TEST_F(LinuxFileServicesTest, CopyReplacesAnOlderCopy) {
    writeFile(target(), "yesterday");
    LinuxFileServices().copyFile(source(), target());
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
}

// Where the kernel cannot copy between the two file systems the copy goes on by
// reading and writing, instead of failing the row.
TEST_F(LinuxFileServicesTest, CopyFallsBackWhenKernelCannotCopy) {
    FaultySystemCalls calls;
    calls.failOn(Call::CopyFileRange, EXDEV);
    LinuxFileServices(calls).copyFile(source(), target());
    EXPECT_EQ(calls.timesFailed(), 1);
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
}

// Each failure on the way must keep the older copy whole and leave no temporary.
TEST_F(LinuxFileServicesTest, FailuresKeepTheOlderCopy) {
    const struct {
        Call call;
        int errorCode;
        long number;
    } faults[] = {
        {Call::CopyFileRange, ENOSPC, ErrorNumber::DiskFull},
        {Call::CopyFileRange, EIO, ErrorNumber::DeviceIOError},
        {Call::Futimens, EPERM, ErrorNumber::PermissionDenied},
        {Call::Fsync, EIO, ErrorNumber::DeviceIOError},
        {Call::Rename, EACCES, ErrorNumber::PermissionDenied},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.errorCode);
        writeFile(target(), "yesterday");
        FaultySystemCalls calls;
        calls.failOn(fault.call, fault.errorCode);
        EXPECT_EQ(copyFailure(calls), fault.number);
        EXPECT_EQ(readFile(target()), QByteArray("yesterday"));
        EXPECT_EQ(folderEntries(path(QStringLiteral("copy"))), QStringList{"BR_TAVOR.bak"});
    }
}

// A source that the fallback reads short (it shrank) must fail, not give a short copy.
TEST_F(LinuxFileServicesTest, ReadFailureDuringFallbackFails) {
    FaultySystemCalls calls;
    calls.failOn(Call::CopyFileRange, EXDEV);
    calls.failOn(Call::Pread, EIO, 1);
    EXPECT_EQ(copyFailure(calls), ErrorNumber::DeviceIOError);
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_TRUE(folderEntries(path(QStringLiteral("copy"))).isEmpty());
}

TEST_F(LinuxFileServicesTest, MissingSourceFailsWithFileNotFound) {
    QFile::remove(source());
    EXPECT_EQ(copyFailure(SystemCalls::host()), ErrorNumber::FileNotFound);
    EXPECT_TRUE(folderEntries(path(QStringLiteral("copy"))).isEmpty());
}
