#include "cabinet/CabinetWriter.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

namespace {

// A reader other programs use, run on a cabinet to extract its file into a folder.
struct Reader {
    const char* label;
    // The names the reader's program goes by, space-separated: the first installed
    // is run.
    const char* programs;
    QStringList (*arguments)(const QString& cabinet);
};

struct Case {
    Reader reader;
    CabinetPacking packing;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.reader.label << (c.packing == CabinetPacking::Small ? "Small" : "Fast");
}

const Reader Readers[] = {
    {"Cabextract", "cabextract",
     [](const QString& cab) {
         return QStringList{"-q", cab};
     }},
    {"Gcab", "gcab",
     [](const QString& cab) {
         return QStringList{"-x", cab};
     }},
    // 7-Zip's own build names its program 7zz; Debian 13 packages it as 7z.
    {"SevenZip", "7zz 7z",
     [](const QString& cab) {
         return QStringList{"x", "-y", cab};
     }},
    {"Bsdtar", "bsdtar",
     [](const QString& cab) {
         return QStringList{"-xf", cab};
     }},
    {"WineExpand", "wine",
     [](const QString& cab) {
         return QStringList{"expand", cab, "-F:*", "."};
     }},
};

QString pack(const QString& folder, const QString& source, CabinetPacking packing) {
    const QString cabinet =
        folder + (packing == CabinetPacking::Small ? "/small.cab" : "/fast.cab");
    CabinetWriterOptions options;
    options.packing = packing;
    CabinetWriter(SystemCalls::host(), options)
        .write(cabinet, source, QStringLiteral("JOURNAL.bak"), {});
    return cabinet;
}

class CabinetInterop : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        bytes_ = repeatedStretch(1200000, 5);
        source_ = dir_.filePath(QStringLiteral("JOURNAL.bak"));
        writeFile(source_, bytes_);
    }

    QTemporaryDir dir_;
    QByteArray bytes_;
    QString source_;
};

QString installedProgram(const Reader& reader) {
    for (const QString& name : QString::fromLatin1(reader.programs).split(QLatin1Char(' '))) {
        if (const QString found = QStandardPaths::findExecutable(name); !found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

// Every reader must take both packings byte for byte: one whose blocks refer into
// the block before them is wrong for any reader that starts each block afresh.
TEST_P(CabinetInterop, ReaderExtractsTheSameBytes) {
    const Case c = GetParam();
    const QString program = installedProgram(c.reader);
    if (program.isEmpty()) {
        GTEST_SKIP() << c.reader.programs << " is not installed";
    }
    const QString cabinet = pack(dir_.path(), source_, c.packing);
    const QString out = dir_.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    QProcess reader;
    reader.setWorkingDirectory(out);
    reader.start(program, c.reader.arguments(cabinet));
    ASSERT_TRUE(reader.waitForFinished(60000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_TRUE(readFile(out + QStringLiteral("/JOURNAL.bak")) == bytes_);
}

INSTANTIATE_TEST_SUITE_P(Readers, CabinetInterop, testing::ValuesIn([] {
                             std::vector<Case> cases;
                             for (const Reader& reader : Readers) {
                                 cases.push_back({reader, CabinetPacking::Fast});
                                 cases.push_back({reader, CabinetPacking::Small});
                             }
                             return cases;
                         }()),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.reader.label) +
                                    (info.param.packing == CabinetPacking::Small ? "Small"
                                                                                 : "Fast");
                         });

// The smaller packing must really carry the history (and libmspack take it): a
// cabinet no smaller than the fast one's would mean blocks still stand alone.
TEST_F(CabinetInterop, SmallPackingIsSmallerAndReadsBack) {
    const qint64 fast = QFileInfo(pack(dir_.path(), source_, CabinetPacking::Fast)).size();
    const QString small = pack(dir_.path(), source_, CabinetPacking::Small);
    EXPECT_LT(QFileInfo(small).size(), fast / 2);
    const MspackContents contents = readWithMspack(small, dir_.filePath(QStringLiteral("back")));
    ASSERT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
    EXPECT_TRUE(readFile(dir_.filePath(QStringLiteral("back"))) == bytes_);
}
