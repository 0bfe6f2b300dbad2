#include "platform/ini/IniFile.h"
#include "platform/Error.h"

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

// A text file of exactly `size` bytes whose first entry is [Main] Useini=1.
QByteArray textOfSize(qint64 size) {
    QByteArray bytes("[Main]\nUseini=1\n");
    const QByteArray filler("; filler line of a large settings file\n");
    while (bytes.size() + filler.size() <= size)
        bytes += filler;
    bytes += QByteArray(size - bytes.size() - 1, ';') + '\n';
    return bytes;
}

// Lowers the largest file this process may write, so that a write fails as it
// would on a full disk (even for root, whom permissions do not stop).
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

// A settings file that does not exist reads as empty and is created by a write.
TEST(IniFile, MissingFileReadsEmptyAndIsCreatedOnWrite) {
    QTemporaryDir dir;
    IniFile file(dir.filePath("Setting.ini"));
    EXPECT_EQ(file.value("Main", "Useini"), std::nullopt);
    EXPECT_TRUE(file.entries("Main").isEmpty());
    file.setValue("Main", "Useini", "1");
    EXPECT_EQ(readBytes(file.path()), QByteArray("[Main]\nUseini=1\n"));
}

// Values written to disk must come back byte for byte, stored as UTF-8.
TEST(IniFile, DiskRoundTripKeepsBlanksArabicAndEmpty) {
    QTemporaryDir dir;
    IniFile file(dir.filePath("Update.orv"));
    const QString arabic = QStringLiteral(u" نسخة احتياطية ");
    file.setValue("Main", "Name", arabic);
    file.setValue("Main", "Blank", "   ");
    file.setValue("Main", "Empty", "");
    EXPECT_EQ(IniFile(file.path()).value("MAIN", "name"), arabic);
    EXPECT_EQ(IniFile(file.path()).value("Main", "Blank"), QStringLiteral("   "));
    EXPECT_EQ(IniFile(file.path()).value("Main", "Empty"), QString(""));
    EXPECT_TRUE(readBytes(file.path()).contains(arabic.toUtf8()));
}

// A binary file is no settings file: it reads as empty and is never overwritten.
TEST(IniFile, BinaryFileReadsEmptyAndIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Setting.ini");
    const QByteArray binary("[Main]\nUseini=1\n\0\x01\xFF\xFE", 20);
    writeBytes(path, binary);
    IniFile file(path);
    EXPECT_EQ(file.value("Main", "Useini"), std::nullopt);
    EXPECT_THROW(file.setValue("Main", "Useini", "0"), Error);
    EXPECT_EQ(readBytes(path), binary);
}

// An enormous file must not be loaded: it reads as empty, and one at the limit still reads.
TEST(IniFile, FilesOverTheSizeLimitReadEmpty) {
    QTemporaryDir dir;
    const QString atLimit = dir.filePath("at.ini");
    const QString overLimit = dir.filePath("over.ini");
    writeBytes(atLimit, textOfSize(IniFile::MaxBytes));
    writeBytes(overLimit, textOfSize(IniFile::MaxBytes + 1));
    EXPECT_EQ(IniFile(atLimit).value("Main", "Useini"), QStringLiteral("1"));
    EXPECT_EQ(IniFile(overLimit).value("Main", "Useini"), std::nullopt);
    EXPECT_THROW(IniFile(overLimit).setValue("Main", "Useini", "0"), Error);
}

// A path that is a FIFO or a folder must raise at once, never block or read garbage.
TEST(IniFile, NonRegularPathsRaiseWithoutBlocking) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("Setting.ini");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(IniFile(fifo).value("Main", "Useini"), Error);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_THROW(IniFile(dir.filePath("folder.ini")).value("Main", "Useini"), Error);
}

// When the new file cannot be written completely, the old one must stay as it was
// and no temporary file may be left beside it.
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

// A file whose folder is in fact a regular file cannot be written: the write raises.
TEST(IniFile, WriteBelowARegularFileRaises) {
    QTemporaryDir dir;
    writeBytes(dir.filePath("plain"), "not a folder");
    const QString path = dir.filePath("plain/Setting.ini");
    EXPECT_EQ(IniFile(path).value("Main", "Useini"), std::nullopt);
    EXPECT_THROW(IniFile(path).setValue("Main", "Useini", "1"), Error);
    EXPECT_EQ(readBytes(dir.filePath("plain")), QByteArray("not a folder"));
}
