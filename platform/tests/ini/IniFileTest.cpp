#include "platform/ini/IniFile.h"
#include "base/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using tavor::Error;
using tavor::IniFile;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings text of exactly `size` bytes whose first entry is [Main] Useini=1.
QByteArray textOfSize(qint64 size) {
    const QByteArray head("[Main]\nUseini=1\n");
    return head + QByteArray(size - head.size() - 1, ';') + '\n';
}

// Lowers the largest file this process may write, so that a write fails as on a
// full disk, even for root, whom permissions do not stop.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit saved_{};
};

} // namespace

// A missing file reads as empty and a write creates it.
TEST(IniFile, MissingFileReadsEmptyAndIsCreatedOnWrite) {
    QTemporaryDir dir;
    IniFile file(dir.filePath("Setting.ini"));
    EXPECT_EQ(file.value("Main", "Useini"), std::nullopt);
    file.setValue("Main", "Useini", "1");
    EXPECT_EQ(readBytes(file.path()), QByteArray("[Main]\nUseini=1\n"));
}

// A binary or enormous file is no settings file: it reads as empty and a write must
// not replace it. A file at the size limit still reads.
TEST(IniFile, BinaryOrEnormousFilesReadEmptyAndAreLeftAlone) {
    QTemporaryDir dir;
    const QByteArray binary("[Main]\nUseini=1\n\0\x01\xFF", 19);
    writeBytes(dir.filePath("binary.ini"), binary);
    writeBytes(dir.filePath("at.ini"), textOfSize(IniFile::MaxBytes));
    writeBytes(dir.filePath("over.ini"), textOfSize(IniFile::MaxBytes + 1));

    EXPECT_EQ(IniFile(dir.filePath("at.ini")).value("Main", "Useini"), QStringLiteral("1"));
    for (const char* name : {"binary.ini", "over.ini"}) {
        IniFile file(dir.filePath(name));
        EXPECT_EQ(file.value("Main", "Useini"), std::nullopt) << name;
        EXPECT_THROW(file.setValue("Main", "Useini", "0"), Error) << name;
    }
    EXPECT_EQ(readBytes(dir.filePath("binary.ini")), binary);
}

// A path that is a FIFO or a folder must raise at once, never block.
TEST(IniFile, NonRegularPathsRaiseWithoutBlocking) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("Setting.ini");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(IniFile(fifo).value("Main", "Useini"), Error);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_THROW(IniFile(dir.filePath("folder.ini")).value("Main", "Useini"), Error);
}

// When the new text cannot be written completely the write raises, the old file stays
// as it was and no temporary file is left beside it.
TEST(IniFile, FailedWriteLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    const QString path = dir.filePath("HKEY_CURRENT_USER.ini");
    const QByteArray old("[Software\\ORV\\Tavor]\n_Server=SRV\n");
    writeBytes(path, old);
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(IniFile(path).setValue("Software\\ORV\\Tavor", "_DBase", QString(8192, 'x')),
                     Error);
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"HKEY_CURRENT_USER.ini"});
}
