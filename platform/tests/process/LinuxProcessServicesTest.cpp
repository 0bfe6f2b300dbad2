#include "platform/process/linux/LinuxProcessServices.h"
#include "base/Error.h"
#include "support/ElfFiles.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavor;
using namespace tavor::test;

namespace {

QByteArray waitForFile(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    while (readFile(path).isEmpty() && clock.elapsed() < 10000)
        QThread::msleep(20);
    return readFile(path).trimmed();
}

} // namespace

// The title's version is the one the executable carries, not one compiled in;
// the name and folder come from the executable's path.
TEST(LinuxProcessServices, VersionNameAndFolderComeFromTheExecutable) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("tavor-backup"));
    ElfFiles::copyWithVersion(ElfFiles::executable(), copy, "3.14.159.2");
    const LinuxProcessServices process({}, dir.filePath(QStringLiteral("tavor-backup.bin")),
                                       QStringLiteral("TavorBackup"), copy);
    EXPECT_EQ(process.programVersion().major, 3);
    EXPECT_EQ(process.programVersion().minor, 14);
    EXPECT_EQ(process.programVersion().revision, 159);
    EXPECT_EQ(process.executableName(), QStringLiteral("tavor-backup"));
    EXPECT_EQ(process.programFolder(), dir.path());
    const LinuxProcessServices unversioned({}, copy, {}, dir.filePath(QStringLiteral("none")));
    EXPECT_EQ(unversioned.programVersion().major, 0);
}

// The updater must outlive the program that starts it: it runs in a session of its
// own, with no arguments.
TEST(LinuxProcessServices, StartDetachedRunsProgramInItsOwnSession) {
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("updater"));
    writeFile(script, "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/args\"\n"
                      "cut -d' ' -f6 /proc/$$/stat > \"$(dirname \"$0\")/session\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    LinuxProcessServices process({}, script, {});
    process.startDetached(script);
    EXPECT_EQ(waitForFile(dir.filePath(QStringLiteral("args"))), "0");
    const QByteArray session = waitForFile(dir.filePath(QStringLiteral("session")));
    ASSERT_FALSE(session.isEmpty());
    EXPECT_NE(session.toLongLong(), static_cast<long long>(::getsid(0)));
}

// A program that cannot be started is reported, so the caller does not take it as
// started and end itself.
TEST(LinuxProcessServices, StartDetachedOfMissingProgramRaises) {
    QTemporaryDir dir;
    LinuxProcessServices process({}, dir.filePath(QStringLiteral("x")), {});
    EXPECT_THROW(process.startDetached(dir.filePath(QStringLiteral("missing"))), Error);
}
