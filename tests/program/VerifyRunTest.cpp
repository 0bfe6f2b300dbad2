#include "ProgramTest.h"
#include "cabinet/CabinetWriter.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using tavor::test::readFile;
using tavor::test::writeFile;

namespace {

// A dated folder as a run leaves it, one cabinet listed in its SHA256SUMS, beside a
// folder elsewhere that a hostile stick's links may lead to; and /VERIFY run on it.
class DatedFolder {
public:
    DatedFolder() {
        QDir(root_.path()).mkpath(QStringLiteral("Tavor_2026-12-06"));
        QDir(root_.path()).mkpath(QStringLiteral("elsewhere"));
        writeFile(outside("LCS.bak"), tavor::test::randomBytes(3 * 32768 + 100, 3));
        tavor::CabinetWriter().write(inside("a.cab"), outside("LCS.bak"), "LCS.bak", {});
        list("a.cab", readFile(inside("a.cab")));
    }
    QString inside(const char* name) const {
        return root_.filePath(QStringLiteral("Tavor_2026-12-06/") + QLatin1String(name));
    }
    QString outside(const char* name) const {
        return root_.filePath(QStringLiteral("elsewhere/") + QLatin1String(name));
    }
    void list(const char* name, const QByteArray& contents) const {
        QFile manifest(inside("SHA256SUMS"));
        manifest.open(QIODevice::Append);
        manifest.write(QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex() +
                       "  " + name + '\n');
    }
    void link(const QString& target, const char* name) const {
        ASSERT_EQ(::symlink(QFile::encodeName(target), QFile::encodeName(inside(name))), 0);
    }
    // A copy of a.cab as name, changed and listed as it is then.
    void listChangedCabinet(const char* name, void (*change)(QByteArray&)) const {
        QByteArray cabinet = readFile(inside("a.cab"));
        change(cabinet);
        writeFile(inside(name), cabinet);
        list(name, cabinet);
    }
    void start(QProcess& program) const {
        program.setStandardOutputFile(outside("output"));
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"),
                      {QStringLiteral("/VERIFY"), inside("")});
    }
    // The exit status, -1 when it did not end within seconds, with what it wrote.
    int verify(QString& output) const {
        QProcess program;
        start(program);
        const bool ended = program.waitForFinished(20000);
        program.kill();
        program.waitForFinished();
        output = QString::fromUtf8(readFile(outside("output")));
        return ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

private:
    QTemporaryDir root_;
};

// Two file records over the same data, each claiming the whole folder.
void addSecondEntry(QByteArray& cabinet) {
    const QByteArray record = cabinet.mid(44, cabinet.indexOf('\0', 60) + 1 - 44);
    cabinet.insert(44 + record.size(), record);
    qToLittleEndian(quint32(cabinet.size()), cabinet.data() + 8);
    cabinet[28] = 2;
    qToLittleEndian(qFromLittleEndian<quint32>(cabinet.constData() + 36) + quint32(record.size()),
                    cabinet.data() + 36);
}

// The most blocks the format allows, and a file as long as they hold.
void claimFarMore(QByteArray& cabinet) {
    qToLittleEndian(quint16(65535), cabinet.data() + 40);
    qToLittleEndian(quint32(65535u * 32768u), cabinet.data() + 44);
}

void dropFirstChecksum(QByteArray& cabinet) {
    qToLittleEndian(quint32(0),
                    cabinet.data() + qFromLittleEndian<quint32>(cabinet.constData() + 36));
}

// A /VERIFY runs the built program: nothing it starts may outlive the test.
class VerifyRun : public ProgramTest {};

} // namespace

// /VERIFY vouches only for regular files of the folder as the program writes them.
// It read OK a cabinet that is a link to a copy elsewhere and a file in a linked
// subfolder, unpacked a cabinet of two entries, let a block without a checksum
// pass, unpacked a cabinet claiming far more than it holds until its blocks ran out
// (refused now from its records, before unpacking), read a name listed three times
// three times, and left hidden files, FIFOs and folders unnamed; a linked manifest
// was used, a FIFO manifest waited for good, a folder emptied with its manifest
// passed.
TEST_F(VerifyRun, PassesOnlyRegularFilesOfTheFolderAsTheProgramWritesThem) {
    DatedFolder folder;
    QFile::copy(folder.inside("a.cab"), folder.outside("b.cab"));
    folder.link(folder.outside("b.cab"), "b.cab");
    folder.list("b.cab", readFile(folder.outside("b.cab")));
    folder.link(folder.outside(""), "sub");
    folder.list("sub/LCS.bak", readFile(folder.outside("LCS.bak")));
    folder.link(QStringLiteral("/dev/zero"), "zero.bin");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.inside("pipe")), 0600), 0);
    folder.list("zero.bin", "");
    folder.list("pipe", "");
    folder.listChangedCabinet("two.cab", addSecondEntry);
    folder.listChangedCabinet("sumless.cab", dropFirstChecksum);
    folder.listChangedCabinet("vast.cab", claimFarMore);
    folder.list("a.cab", readFile(folder.inside("a.cab")));
    folder.list("a.cab", readFile(folder.inside("a.cab")));
    writeFile(folder.inside(".hidden"), "h");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.inside("fifo")), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(folder.inside("extra")));
    writeFile(folder.inside(".a.cab.0123456789abc.tmp"), "a write under way");
    writeFile(folder.inside("RUN.json"), "{}");
    QString output;
    EXPECT_EQ(folder.verify(output), 1) << output.toStdString();
    for (const char* line :
         {"a.cab: OK\nb.cab: FAILED (is a link)\nsub/LCS.bak: FAILED (is reached through a "
          "link)\nzero.bin: FAILED (is a link)\npipe: FAILED (is not a regular file)\n",
          "two.cab: FAILED (The cabinet", "does not hold exactly one file)\nsumless.cab: FAILED",
          "has a data block without a checksum)\nvast.cab: FAILED",
          "records sizes that do not match its contents)\n.hidden: UNLISTED\nextra: "
          "UNLISTED\nfifo: UNLISTED\n",
          ": 8 listed, 1 ok, 7 damaged, 0 missing, 3 unlisted\n"})
        EXPECT_TRUE(output.contains(QString::fromLatin1(line))) << line << output.toStdString();

    const struct {
        void (*change)(const DatedFolder&);
        int status;
        const char* line;
    } manifests[] = {
        {[](const DatedFolder& f) {
             QFile::rename(f.inside("SHA256SUMS"), f.outside("SHA256SUMS"));
             f.link(f.outside("SHA256SUMS"), "SHA256SUMS");
         },
         2, "SHA256SUMS: is a link\n"},
        {[](const DatedFolder& f) {
             QFile::remove(f.inside("SHA256SUMS"));
             ::mkfifo(QFile::encodeName(f.inside("SHA256SUMS")), 0600);
         },
         2, "SHA256SUMS: is not a regular file\n"},
        {[](const DatedFolder& f) {
             QFile::remove(f.inside("a.cab"));
             writeFile(f.inside("SHA256SUMS"), "");
         },
         1, "SHA256SUMS: FAILED (lists no file)\n"},
    };
    for (const auto& [change, status, line] : manifests) {
        const DatedFolder other;
        change(other);
        EXPECT_EQ(other.verify(output), status) << line << output.toStdString();
        EXPECT_TRUE(output.contains(QString::fromLatin1(line))) << line << output.toStdString();
    }
}

// The lines went out only when the check ended, so a check killed halfway (a stick
// pulled, a shutdown) left nothing: each line goes out as it is decided.
TEST_F(VerifyRun, LinesOfAKilledCheckAreKept) {
    DatedFolder folder;
    // Long enough to read that the check is still under way when the first line is in.
    QFile big(folder.inside("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
    folder.list("big.bin", "");
    QProcess program;
    folder.start(program);
    while (!readFile(folder.outside("output")).contains("\n") && !program.waitForFinished(5))
        ;
    EXPECT_EQ(program.state(), QProcess::Running) << "the first line came only at the end";
    program.kill();
    program.waitForFinished();
    EXPECT_EQ(readFile(folder.outside("output")), "a.cab: OK\n");
}
