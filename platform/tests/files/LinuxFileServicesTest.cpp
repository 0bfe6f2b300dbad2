#include "platform/files/linux/LinuxFileServices.h"
#include "base/Error.h"
#include "base/Outcome.h"
#include "safewrite/posix/PosixSystemCalls.h"
#include "support/FaultySystemCalls.h"
#include "support/SmallTmpfs.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <condition_variable>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <mutex>
#include <sys/file.h>

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

    long copyFailure(SystemCalls& calls) { return copyError(calls).number(); }

    Error copyError(SystemCalls& calls, const QString& from = {}) {
        try {
            LinuxFileServices(calls).copyFile(from.isEmpty() ? source() : from, target());
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return Error(0, {});
    }

    void makeSparse(const QString& file, qint64 size) {
        QFile sparse(file);
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(size));
    }

    void expectOlderCopyAlone() {
        EXPECT_EQ(readFile(target()), QByteArray("yesterday"));
        EXPECT_EQ(folderEntries(path(QStringLiteral("copy"))), QStringList{"BR_TAVOR.bak"});
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

// The copy is checked as the disk holds it: its cached pages are dropped before
// it is read back, or the check would only see memory.
TEST_F(LinuxFileServicesTest, CopyReplacesAnOlderCopyAfterReadingItBackFromTheDisk) {
    writeFile(target(), "yesterday");
    FaultySystemCalls calls;
    LinuxFileServices(calls).copyFile(source(), target());
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
    EXPECT_EQ(calls.readBackCacheDrops(), 1);
}

// Each failure on the way must keep the older copy whole and leave no temporary.
TEST_F(LinuxFileServicesTest, FailuresKeepTheOlderCopy) {
    const struct {
        Call call;
        int errorCode;
        long number;
    } faults[] = {
        {Call::Write, ENOSPC, ErrorNumber::DiskFull},
        {Call::Write, EIO, ErrorNumber::DeviceIOError},
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

// A source that cannot be read to its end must fail, not give a short copy.
TEST_F(LinuxFileServicesTest, ReadFailureFails) {
    FaultySystemCalls calls;
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

// A copy whose bytes come back wrong from the disk must not take the name: at the
// start, in the middle and at its last byte.
TEST_F(LinuxFileServicesTest, CopyReadingBackWrongFailsAndKeepsTheOlderCopy) {
    for (const off_t offset : {off_t(0), off_t(1024 * 1024 + 3), off_t(sourceBytes_.size() - 1)}) {
        SCOPED_TRACE(offset);
        writeFile(target(), "yesterday");
        FaultySystemCalls calls;
        calls.corruptReadBackAt(offset);
        const Error error = copyError(calls);
        EXPECT_EQ(error.number(), ErrorNumber::DeviceIOError);
        EXPECT_TRUE(error.description().contains(QStringLiteral("read back")))
            << error.report().toStdString();
        expectOlderCopyAlone();
    }
}

// A copy that cannot fit is refused before a byte is written (a write would fail
// with another error); exactly the free space is enough.
TEST_F(LinuxFileServicesTest, CopyLargerThanTheFreeSpaceIsRefusedAtOnce) {
    writeFile(target(), "yesterday");
    FaultySystemCalls refusing;
    refusing.reportFileSystem(EXT4_SUPER_MAGIC, sourceBytes_.size() - 1);
    refusing.failOn(Call::Write, EIO);
    const Error error = copyError(refusing);
    EXPECT_EQ(error.number(), ErrorNumber::DiskFull);
    EXPECT_TRUE(error.description().contains(QStringLiteral("free")))
        << error.report().toStdString();
    EXPECT_EQ(refusing.timesFailed(), 0);
    expectOlderCopyAlone();

    FaultySystemCalls exact;
    exact.reportFileSystem(EXT4_SUPER_MAGIC, sourceBytes_.size());
    LinuxFileServices(exact).copyFile(source(), target());
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
}

// FAT cannot hold a file of 4 GiB: refused at once whatever the free space; one byte
// less is not refused by that rule (here the free space refuses it instead).
TEST_F(LinuxFileServicesTest, FourGibibytesOntoFatAreRefusedAtOnce) {
    const QString large = path(QStringLiteral("BR_LARGE.bak"));
    makeSparse(large, qint64(1) << 32);
    FaultySystemCalls fat;
    fat.reportFileSystem(MSDOS_SUPER_MAGIC, std::int64_t(1) << 40);
    fat.failOn(Call::Write, EIO);
    const Error error = copyError(fat, large);
    EXPECT_EQ(error.number(), ErrorNumber::DiskFull);
    EXPECT_TRUE(error.description().contains(QStringLiteral("FAT")))
        << error.report().toStdString();
    EXPECT_EQ(fat.timesFailed(), 0);

    makeSparse(large, (qint64(1) << 32) - 1);
    FaultySystemCalls fatFull;
    fatFull.reportFileSystem(MSDOS_SUPER_MAGIC, 0);
    const Error below = copyError(fatFull, large);
    EXPECT_TRUE(below.description().contains(QStringLiteral("free")))
        << below.report().toStdString();
    EXPECT_TRUE(folderEntries(path(QStringLiteral("copy"))).isEmpty());
}

// A real small file system: the copy is refused by its true free space, and the
// older copy on it survives.
TEST_F(LinuxFileServicesTest, CopyOntoAFullTmpfsIsRefusedAndKeepsTheOlderCopy) {
    SmallTmpfs tmpfs("2m");
    if (!tmpfs.mounted()) {
        GTEST_SKIP() << tmpfs.whyNot();
    }
    const QString onTmpfs = tmpfs.path() + QStringLiteral("/BR_TAVOR.bak");
    writeFile(onTmpfs, "yesterday");
    try {
        LinuxFileServices().copyFile(source(), onTmpfs);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::DiskFull) << e.report().toStdString();
    }
    EXPECT_EQ(readFile(onTmpfs), QByteArray("yesterday"));
    EXPECT_EQ(folderEntries(tmpfs.path()), QStringList{"BR_TAVOR.bak"});
}

namespace {

// Holds every fsync until the idle handler has run once meanwhile; an fsync made
// on the copying thread would wait for an idle call that cannot come.
class FsyncAwaitingIdle : public PosixSystemCalls {
public:
    void idle() {
        {
            std::lock_guard lock(mutex_);
            ++idleCalls_;
        }
        idled_.notify_all();
    }
    int fsyncs() const { return fsyncs_; }
    int fsyncsWithoutIdle() const { return fsyncsWithoutIdle_; }

    int fsync(int fd) override {
        std::unique_lock lock(mutex_);
        ++fsyncs_;
        const int wanted = idleCalls_ + 1;
        // The limit only keeps a broken copy from hanging the test.
        if (!idled_.wait_for(lock, std::chrono::seconds(30), [&] { return idleCalls_ >= wanted; }))
            ++fsyncsWithoutIdle_;
        lock.unlock();
        return PosixSystemCalls::fsync(fd);
    }

private:
    std::mutex mutex_;
    std::condition_variable idled_;
    int idleCalls_ = 0;
    int fsyncs_ = 0;
    int fsyncsWithoutIdle_ = 0;
};

} // namespace

// Guards against a copy whose flushes block the window's thread for their whole
// length: they run aside while the idle handler goes on running.
TEST_F(LinuxFileServicesTest, CopyFlushesAsideWhileTheIdleHandlerRuns) {
    FsyncAwaitingIdle calls;
    LinuxFileServices files(calls);
    files.setIdleHandler([&] { calls.idle(); });
    files.copyFile(source(), target());
    EXPECT_GE(calls.fsyncs(), 2);
    EXPECT_EQ(calls.fsyncsWithoutIdle(), 0);
    EXPECT_TRUE(readFile(target()) == sourceBytes_);
}

// Removing an old folder follows no link, leaves another volume alone and stops at
// the first thing that is not as it was judged, leaving whatever it has not removed.
TEST_F(LinuxFileServicesTest, RemoveFolderFollowsNoLinkAndStopsAtWhatItWasNotGiven) {
    const QString held = QStringLiteral(".TAVOR_SG.cab.0000000000042.tmp");
    enum class Twist { None, FileIsLink, FolderIsLink, OtherVolume, Unlisted, HeldTemporary };
    const struct {
        Twist twist;
        QStringList left;
    } cases[] = {
        {Twist::None, {}},
        {Twist::FileIsLink, {"SHA256SUMS"}},
        {Twist::FolderIsLink, {"SHA256SUMS", "TAVOR_07.cab"}},
        {Twist::OtherVolume, {"SHA256SUMS", "TAVOR_07.cab"}},
        {Twist::Unlisted, {"notes.txt"}},
        {Twist::HeldTemporary, {held, "SHA256SUMS", "TAVOR_07.cab"}},
    };
    for (const auto& c : cases) {
        QTemporaryDir stick;
        const QString old = stick.filePath(QStringLiteral("Tavor_2026-11-02"));
        const QString real = stick.filePath(QStringLiteral("real"));
        QDir().mkpath(c.twist == Twist::FolderIsLink ? real : old);
        if (c.twist == Twist::FolderIsLink)
            QFile::link(real, old);
        const QString folder = c.twist == Twist::FolderIsLink ? real : old;
        writeFile(stick.filePath(QStringLiteral("outside")), "keep");
        writeFile(folder + QStringLiteral("/TAVOR_07.cab"), "cab");
        QStringList listed{"TAVOR_07.cab", "SHA256SUMS"};
        if (c.twist == Twist::FileIsLink)
            QFile::link(stick.filePath(QStringLiteral("outside")),
                        old + QStringLiteral("/SHA256SUMS"));
        else
            writeFile(folder + QStringLiteral("/SHA256SUMS"), "sums");
        if (c.twist == Twist::Unlisted)
            writeFile(old + QStringLiteral("/notes.txt"), "theirs");
        QFile temporary(folder + QLatin1Char('/') + held);
        if (c.twist == Twist::HeldTemporary) {
            ASSERT_TRUE(temporary.open(QIODevice::WriteOnly));
            ASSERT_EQ(::flock(temporary.handle(), LOCK_EX), 0);
            listed.prepend(held);
        }
        LinuxFileServices files;
        const quint64 device = *files.deviceOf(stick.path());
        const bool raised = !Outcome::of([&] {
            files.removeFolder(stick.path(), QStringLiteral("Tavor_2026-11-02"), listed,
                               c.twist == Twist::OtherVolume ? device + 1 : device);
        });
        const int twist = int(c.twist);
        EXPECT_EQ(raised, c.twist != Twist::None) << twist;
        EXPECT_EQ(folderEntries(folder), c.left) << twist;
        EXPECT_EQ(readFile(stick.filePath(QStringLiteral("outside"))), QByteArray("keep")) << twist;
    }
}
