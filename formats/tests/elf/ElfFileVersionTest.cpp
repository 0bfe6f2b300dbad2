#include "formats/elf/ElfFileVersion.h"
#include "support/ElfFiles.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavor;
using namespace tavor::test;

namespace {

class ElfFileVersionTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

bool isVersionText(const QString& text) {
    return QRegularExpression(QStringLiteral("^[0-9.]{1,64}$")).match(text).hasMatch();
}

} // namespace

// An executable carries its version in the section the update check of an older build
// and the window's title read; another build is told by the text in its section,
// whatever its length, and a build without the section has no version.
TEST_F(ElfFileVersionTest, ExecutablesReadTheirOwnVersion) {
    const QString executable = ElfFiles::executable();
    EXPECT_EQ(ElfFileVersion::read(executable), QStringLiteral("1.0.0.0"));
    ElfFiles::copyWithVersion(executable, path("longer"), "10.200.3000.40000");
    EXPECT_EQ(ElfFileVersion::read(path("longer")), QStringLiteral("10.200.3000.40000"));
    ElfFiles::copyWithVersion(executable, path("terminated"), QByteArray("2.0.0.9\0junk", 12));
    EXPECT_EQ(ElfFileVersion::read(path("terminated")), QStringLiteral("2.0.0.9"));
    ElfFiles::objcopy({"--remove-section", TAVOR_VERSION_SECTION, executable, path("bare")});
    EXPECT_EQ(ElfFileVersion::read(path("bare")), QString());
    ElfFiles::objcopy({"--add-section", TAVOR_VERSION_SECTION "=" + path("bare"), path("bare"),
                       path("oversized")});
    EXPECT_EQ(ElfFileVersion::read(path("oversized")), QString())
        << "a section far larger than a version is not one";
}

// Both classes and both byte orders: a reader fixed to the host's layout reads
// nothing or garbage from the others.
TEST_F(ElfFileVersionTest, ReadsEveryClassAndByteOrder) {
    for (const char* target : {"elf32-little", "elf32-big", "elf64-little", "elf64-big"}) {
        const QString file = path(QString::fromLatin1(target));
        ElfFiles::writeWithVersion(file, "3.1.4.1", QString::fromLatin1(target));
        EXPECT_EQ(ElfFileVersion::read(file), QStringLiteral("3.1.4.1")) << target;
    }
}

// Text that is not a version (line breaks could forge entries in the updater's
// control file) reads as no version.
TEST_F(ElfFileVersionTest, SectionThatIsNotAVersionReadsEmpty) {
    const QByteArray leadingNul("\0001.0", 4);
    for (const QByteArray& text : {QByteArray("1.0\n[Run]\nX=y"), QByteArray("v1.0"), leadingNul}) {
        ElfFiles::writeWithVersion(path("odd"), text);
        EXPECT_EQ(ElfFileVersion::read(path("odd")), QString()) << text.toStdString();
    }
}

// Missing, empty, foreign and special files read as empty; a FIFO must not block.
TEST_F(ElfFileVersionTest, NonElfFilesReadEmptyWithoutBlocking) {
    writeFile(path("text"), "#!/bin/sh\necho 1.0.0.0\n");
    writeFile(path("empty"), {});
    writeFile(path("magic-only"), "\x7f"
                                  "ELF");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    for (const char* name : {"missing", "text", "empty", "magic-only", "fifo"})
        EXPECT_EQ(ElfFileVersion::read(path(name)), QString()) << name;
    EXPECT_EQ(ElfFileVersion::read(dir_.path()), QString());
}

// Every cut of a file ends before its section table, so every prefix must read
// empty; none may read outside what it holds.
TEST_F(ElfFileVersionTest, EveryTruncationReadsEmpty) {
    for (const char* target : {"elf32-big", "elf64-little"}) {
        ElfFiles::writeWithVersion(path("whole"), "1.2.3.4", QString::fromLatin1(target));
        const QByteArray whole = readFile(path("whole"));
        ASSERT_EQ(ElfFileVersion::read(path("whole")), QStringLiteral("1.2.3.4"));
        for (qsizetype length = 0; length < whole.size(); ++length) {
            writeFile(path("cut"), whole.left(length));
            ASSERT_EQ(ElfFileVersion::read(path("cut")), QString())
                << target << " cut at " << length;
        }
    }
    const QByteArray executable = readFile(ElfFiles::executable());
    writeFile(path("executable-cut"), executable.left(executable.size() - 1));
    EXPECT_EQ(ElfFileVersion::read(path("executable-cut")), QString());
}

// Damaged headers (offsets, counts and indexes pointing anywhere) must never make
// the reader fail or return anything but a version or nothing.
TEST_F(ElfFileVersionTest, DamagedFilesReadAVersionOrNothing) {
    ElfFiles::writeWithVersion(path("whole"), "1.2.3.4", QStringLiteral("elf64-little"));
    const QByteArray whole = readFile(path("whole"));
    int unreadable = 0;
    for (qsizetype at = 0; at < whole.size(); ++at) {
        for (const char value : {'\xff', '\x00'}) {
            QByteArray damaged = whole;
            damaged[at] = value;
            writeFile(path("damaged"), damaged);
            const QString version = ElfFileVersion::read(path("damaged"));
            ASSERT_TRUE(version.isEmpty() || isVersionText(version)) << "byte " << at;
            unreadable += version.isEmpty();
        }
    }
    EXPECT_GT(unreadable, 0);
}
