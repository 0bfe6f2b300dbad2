#include "safewrite/ReplacementFile.h"
#include "base/Error.h"
#include "support/FaultySystemCalls.h"
#include "support/SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using tavor::Error;
using tavor::ReplacementFile;
using tavor::test::FaultySystemCalls;
using Call = FaultySystemCalls::Call;

namespace {

const QByteArray OldText("[Main]\nUseini=1\n");

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writePlainly(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// A folder holding settings.ini with OldText, replaced through FaultySystemCalls.
class ReplacementFileFault : public testing::Test {
protected:
    void SetUp() override { writePlainly(target(), OldText); }
    QString target() const { return folder_.filePath(QStringLiteral("settings.ini")); }

    // Replacing must raise the number given and leave the old file whole and alone.
    void expectOldFileKept(long number) {
        try {
            ReplacementFile::write(target(), QByteArray(100000, 'n'), calls_);
            ADD_FAILURE() << "the replacement reported success";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), number) << error.description().toStdString();
        }
        EXPECT_EQ(contentsOf(target()), OldText);
        EXPECT_EQ(filesIn(folder_.path()), QStringList{QStringLiteral("settings.ini")});
    }

    QTemporaryDir folder_;
    FaultySystemCalls calls_;
};

} // namespace

// Writes that store only part of what they were given must be resumed, not taken
// for the whole (a truncated file put in place).
TEST_F(ReplacementFileFault, ShortWritesAreResumedToTheEnd) {
    calls_.limitWritesTo(777);
    const QByteArray text(100000, 'n');
    ReplacementFile::write(target(), text, calls_);
    EXPECT_EQ(contentsOf(target()), text);
    EXPECT_EQ(filesIn(folder_.path()), QStringList{QStringLiteral("settings.ini")});
}

// A write that fails after a short one must not leave the part written in place.
TEST_F(ReplacementFileFault, ShortWriteThenFailureKeepsTheOldFile) {
    calls_.limitWritesTo(777);
    calls_.failOn(Call::Write, EIO, 1);
    expectOldFileKept(tavor::ErrorNumber::DeviceIOError);
}

// Data the disk did not confirm must not take the target's name.
TEST_F(ReplacementFileFault, FailedFlushKeepsTheOldFile) {
    calls_.failOn(Call::Fsync, EIO);
    expectOldFileKept(tavor::ErrorNumber::DeviceIOError);
}

// A rename that fails must leave neither a half-replaced target nor the temporary file.
TEST_F(ReplacementFileFault, FailedRenameKeepsTheOldFile) {
    calls_.failOn(Call::Rename, EACCES);
    expectOldFileKept(tavor::ErrorNumber::PermissionDenied);
}

TEST_F(ReplacementFileFault, ReportedFullDiskKeepsTheOldFile) {
    calls_.failOn(Call::Write, ENOSPC);
    expectOldFileKept(tavor::ErrorNumber::DiskFull);
}

// A file already there keeps its permissions (settings a user locked down stay so).
TEST_F(ReplacementFileFault, ReplacedFileKeepsItsPermissions) {
    ASSERT_EQ(::chmod(QFile::encodeName(target()).constData(), 0600), 0);
    ReplacementFile::write(target(), "new", calls_);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(target()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(contentsOf(target()), "new");
}

// A link in place of the target once lent the new file the mode of the file it led
// to, set-user-ID included: the new file is one of its own, the linked one untouched.
TEST_F(ReplacementFileFault, ReplacingALinkTakesNothingFromWhereItLeads) {
    const QString program = folder_.filePath(QStringLiteral("program"));
    writePlainly(program, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(QFile::encodeName(program).constData(), 04755), 0);
    ASSERT_TRUE(QFile::remove(target()) && QFile::link(program, target()));
    ReplacementFile::write(target(), "new", calls_);
    struct stat status {};
    ASSERT_EQ(::lstat(QFile::encodeName(target()).constData(), &status), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(status.st_mode & 07777, 0666u & ~mask);
    EXPECT_EQ(contentsOf(program), "#!/bin/sh\n");
}

// A disk that really fills up halfway: the error says so, and the old file and the
// free space are given back.
TEST(ReplacementFile, RealFullDiskKeepsTheOldFile) {
    tavor::test::SmallTmpfs disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot();
    const QString target = disk.path() + QStringLiteral("/settings.ini");
    writePlainly(target, OldText);
    try {
        ReplacementFile::write(target, QByteArray(1 << 20, 'n'));
        ADD_FAILURE() << "a 1 MiB file fit on a 64 KiB disk";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), tavor::ErrorNumber::DiskFull);
    }
    EXPECT_EQ(contentsOf(target), OldText);
    EXPECT_EQ(filesIn(disk.path()), QStringList{QStringLiteral("settings.ini")});
}

// A folder nothing can be written in (read-only even for root): refused, old file kept.
TEST(ReplacementFile, ReadOnlyFolderKeepsTheOldFile) {
    tavor::test::SmallTmpfs disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot();
    const QString target = disk.path() + QStringLiteral("/settings.ini");
    writePlainly(target, OldText);
    ASSERT_TRUE(disk.makeReadOnly());
    EXPECT_THROW(ReplacementFile::write(target, "new"), Error);
    EXPECT_EQ(contentsOf(target), OldText);
}

// The clean-up after a killed run must take the remains of dead writes only: never
// the file of a write under way (another run on the same drive), nor links, pipes
// (which would block it) or files that merely look alike.
TEST(ReplacementFile, RemoveAbandonedTakesOnlyTemporariesThatNoWriteHolds) {
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("BR_SG.cab"));
    ReplacementFile underWay(target, tavor::SystemCalls::host());
    const QString live = QFile::decodeName(underWay.temporaryPath());
    const QString tag = QStringLiteral("0a1b2c3d4e5f6");
    const QString abandoned = folder.filePath(QStringLiteral(".BR_HS.cab.") + tag + ".tmp");
    writePlainly(abandoned, "partial");
    const QStringList kept = {".BR_SG.cab.tmp", ".foo.tmp", ".BR_SG.cab." + tag.toUpper() + ".tmp",
                              "BR_SG.cab." + tag + ".tmp", ".BR_SG.cab." + tag + "0.tmp"};
    for (const QString& name : kept)
        writePlainly(folder.filePath(name), "user's");
    const QString link = folder.filePath(QStringLiteral(".link.") + tag + ".tmp");
    const QString pipe = folder.filePath(QStringLiteral(".pipe.") + tag + ".tmp");
    ASSERT_TRUE(QFile::link(abandoned, link));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    ReplacementFile::removeAbandoned(folder.path());

    QStringList expected = kept;
    expected << QFileInfo(live).fileName() << QFileInfo(link).fileName()
             << QFileInfo(pipe).fileName();
    expected.sort();
    QStringList left = filesIn(folder.path());
    left.sort();
    EXPECT_EQ(left.join(' ').toStdString(), expected.join(' ').toStdString());
}
