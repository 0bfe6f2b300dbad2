#include "cabinet/CabinetWriter.h"
#include "support/CabinetRecords.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using tavor::test::readFile;
using tavor::test::writeFile;

namespace {

// A dated folder as a run leaves it, one cabinet listed in its SHA256SUMS, beside
// the places a hostile stick's links may lead to; and /VERIFY run on it.
class DatedFolder {
public:
    DatedFolder() {
        QDir(root_.path()).mkpath(QStringLiteral("Tavor_2026-12-06"));
        QDir(root_.path()).mkpath(QStringLiteral("elsewhere"));
        const QString source = outside(QStringLiteral("TAVOR_LCS.bak"));
        writeFile(source, tavor::test::randomBytes(3 * 32768 + 100, 3));
        tavor::CabinetWriter().write(inside(QStringLiteral("a.cab")), source,
                                     QStringLiteral("TAVOR_LCS.bak"), {});
        list(QStringLiteral("a.cab"), readFile(inside(QStringLiteral("a.cab"))));
    }

    QString inside(const QString& name) const {
        return root_.filePath(QStringLiteral("Tavor_2026-12-06/") + name);
    }
    QString outside(const QString& name) const {
        return root_.filePath(QStringLiteral("elsewhere/") + name);
    }
    // Adds a line for name with the digest of contents.
    void list(const QString& name, const QByteArray& contents) {
        QFile manifest(inside(QStringLiteral("SHA256SUMS")));
        ASSERT_TRUE(manifest.open(QIODevice::Append));
        manifest.write(QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex() +
                       "  " + name.toUtf8() + '\n');
    }
    void link(const QString& target, const QString& name) const {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(inside(name)).constData()),
                  0);
    }
    // Starts /VERIFY with its standard output going to the file output.
    void start(QProcess& program, const QString& output) const {
        program.setStandardOutputFile(output);
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"),
                      {QStringLiteral("/VERIFY"), inside({})});
    }
    // The exit status; -1 when it did not end within a few seconds.
    int verify(QString& output) const {
        QProcess program;
        const QString written = root_.filePath(QStringLiteral("output"));
        start(program, written);
        const bool ended = program.waitForFinished(20000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        output = QString::fromUtf8(readFile(written));
        return ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

private:
    QTemporaryDir root_;
};

} // namespace

// /VERIFY vouches only for regular files of the folder itself, as the program wrote
// them: it followed links (a cabinet that is a link to a copy elsewhere, a file in a
// linked subfolder, a linked manifest read OK), waited on a FIFO manifest for good,
// unpacked a cabinet of two entries, let a block without a checksum pass, and passed
// a folder emptied along with its manifest.
TEST(VerifyRun, PassesOnlyWhatTheProgramItselfLeaves) {
    const struct {
        const char* label;
        std::function<void(DatedFolder&)> change;
        int status;
        const char* line;
    } cases[] = {
        {"cabinet linked to a copy elsewhere",
         [](DatedFolder& f) {
             QFile::copy(f.inside(QStringLiteral("a.cab")), f.outside(QStringLiteral("b.cab")));
             f.link(f.outside(QStringLiteral("b.cab")), QStringLiteral("b.cab"));
             f.list(QStringLiteral("b.cab"), readFile(f.outside(QStringLiteral("b.cab"))));
         },
         1, "b.cab: FAILED (is a link)\n"},
        {"file in a linked subfolder",
         [](DatedFolder& f) {
             writeFile(f.outside(QStringLiteral("c.bin")), "c");
             f.link(f.outside({}), QStringLiteral("sub"));
             f.list(QStringLiteral("sub/c.bin"), "c");
         },
         1, "sub/c.bin: FAILED (is reached through a link)\n"},
        {"link to a file that never ends",
         [](DatedFolder& f) {
             f.link(QStringLiteral("/dev/zero"), QStringLiteral("zero.bin"));
             f.list(QStringLiteral("zero.bin"), "");
         },
         1, "zero.bin: FAILED (is a link)\n"},
        {"listed FIFO",
         [](DatedFolder& f) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(f.inside(QStringLiteral("p.bin"))), 0600), 0);
             f.list(QStringLiteral("p.bin"), "");
         },
         1, "p.bin: FAILED (is not a regular file)\n"},
        {"cabinet of two entries",
         [](DatedFolder& f) {
             QByteArray cabinet = readFile(f.inside(QStringLiteral("a.cab")));
             tavor::test::cabinet_records::addSecondEntry(cabinet);
             writeFile(f.inside(QStringLiteral("two.cab")), cabinet);
             f.list(QStringLiteral("two.cab"), cabinet);
         },
         1, "does not hold exactly one file)\n"},
        {"block without a checksum",
         [](DatedFolder& f) {
             QByteArray cabinet = readFile(f.inside(QStringLiteral("a.cab")));
             tavor::test::cabinet_records::dropFirstChecksum(cabinet);
             writeFile(f.inside(QStringLiteral("zero.cab")), cabinet);
             f.list(QStringLiteral("zero.cab"), cabinet);
         },
         1, "has a data block without a checksum)\n"},
        {"emptied folder, empty manifest",
         [](DatedFolder& f) {
             QFile::remove(f.inside(QStringLiteral("a.cab")));
             writeFile(f.inside(QStringLiteral("SHA256SUMS")), "");
         },
         1, "SHA256SUMS: FAILED (lists no file)\n"},
        {"linked manifest",
         [](DatedFolder& f) {
             QFile::rename(f.inside(QStringLiteral("SHA256SUMS")),
                           f.outside(QStringLiteral("SHA256SUMS")));
             f.link(f.outside(QStringLiteral("SHA256SUMS")), QStringLiteral("SHA256SUMS"));
         },
         2, "SHA256SUMS: is a link\n"},
        {"FIFO manifest",
         [](DatedFolder& f) {
             QFile::remove(f.inside(QStringLiteral("SHA256SUMS")));
             ASSERT_EQ(::mkfifo(QFile::encodeName(f.inside(QStringLiteral("SHA256SUMS"))), 0600),
                       0);
         },
         2, "SHA256SUMS: is not a regular file\n"},
    };
    for (const auto& [label, change, status, line] : cases) {
        DatedFolder folder;
        change(folder);
        QString output;
        EXPECT_EQ(folder.verify(output), status) << label << "\n" << output.toStdString();
        EXPECT_TRUE(output.contains(QString::fromLatin1(line))) << label << "\n"
                                                                << output.toStdString();
    }
}

// A name listed a million times was read a million times (hours); hidden files,
// FIFOs and folders the manifest does not list went unnamed. Each name is checked
// once, everything else is named, save the run's own record and temporary files.
TEST(VerifyRun, ChecksEachNameOnceAndNamesAllElseThatLiesThere) {
    DatedFolder folder;
    folder.list(QStringLiteral("a.cab"), readFile(folder.inside(QStringLiteral("a.cab"))));
    folder.list(QStringLiteral("a.cab"), readFile(folder.inside(QStringLiteral("a.cab"))));
    writeFile(folder.inside(QStringLiteral(".hidden")), "h");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.inside(QStringLiteral("pipe"))), 0600), 0);
    ASSERT_TRUE(QDir(folder.inside({})).mkdir(QStringLiteral("extra")));
    writeFile(folder.inside(QStringLiteral(".a.cab.0123456789abc.tmp")), "partial");
    writeFile(folder.inside(QStringLiteral("RUN.json")), "{}");
    QString output;
    EXPECT_EQ(folder.verify(output), 1) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("a.cab: OK\n")), 1) << output.toStdString();
    for (const char* unlisted : {".hidden: UNLISTED\n", "pipe: UNLISTED\n", "extra: UNLISTED\n"})
        EXPECT_TRUE(output.contains(QString::fromLatin1(unlisted))) << output.toStdString();
    EXPECT_TRUE(
        output.contains(QStringLiteral(": 1 listed, 1 ok, 0 damaged, 0 missing, 3 unlisted")))
        << output.toStdString();
}

// The lines went out only when the check ended, so a check killed halfway (a stick
// pulled, a machine shut down) left nothing: each line goes out as it is decided.
TEST(VerifyRun, LinesOfAKilledCheckAreKept) {
    DatedFolder folder;
    // Long enough to read that the check is still under way when the first line is in.
    QFile big(folder.inside(QStringLiteral("big.bin")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
    big.close();
    folder.list(QStringLiteral("big.bin"), "");
    QProcess program;
    const QString output = folder.outside(QStringLiteral("output"));
    folder.start(program, output);
    while (!readFile(output).contains("a.cab: OK\n") && !program.waitForFinished(5))
        ;
    const bool running = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(running) << "the first line came only with the end: " << readFile(output).data();
    EXPECT_TRUE(readFile(output).startsWith("a.cab: OK\n")) << readFile(output).data();
}
