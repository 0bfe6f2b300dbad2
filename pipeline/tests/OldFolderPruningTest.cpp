#include "pipeline/run/OldFolderPruning.h"

#include "pipeline/run/RowTaking.h"
#include "platform/files/linux/LinuxFileServices.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using Verdict = OldFolderPruning::Verdict;

namespace {

// A stick's backup folder with a dated folder for each rule of what may go.
class OldFolderPruningTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stick.isValid());
        backup = stick.filePath(QStringLiteral("Tavor_Backup"));
        for (const char* name : {"Tavor_2026-12-07", "Tavor_2026-12-06", "Tavor_2026-13-01",
                                 "Tavor_2026-1-05", "Backup_2026-11-01"})
            folder(name, "TAVOR_07.cab");
        folder("Tavor_2026-12-05", "RUN.json", R"({"exit_status": 1})");
        folder("Tavor_2026-12-04", "RUN.json", R"({"exit_status": 1})");
        folder("Tavor_2026-12-03", "RUN.json", R"({"exit_status": 0})");
        folder("Tavor_2026-12-02", "notes.txt");
        folder("Tavor_2026-12-01", "TAVOR_07.cab");
        QDir(backup).mkpath(QStringLiteral("Tavor_2026-12-01/inner"));
        folder("Tavor_2026-11-30", "TAVOR_07.cab");
        QFile::link(QStringLiteral("TAVOR_07.cab"), in("Tavor_2026-11-30/SHA256SUMS"));
        folder("Tavor_2026-11-29", "RUN.json", R"({"exit_status": 0})");
        for (const char* name : {"TAVOR_07.cab", "SHA256SUMS", ".TAVOR_SG.cab.0000000000042.tmp"})
            test::writeFile(in(QStringLiteral("Tavor_2026-11-29/") + QLatin1String(name)), "x");
        QFile copy(in("Tavor_2026-11-29/TAVOR_HS.bak"));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.resize(RowTaking::CopyThreshold));
        folder("Tavor_2026-11-28", "TAVOR_LCS.bak");
        folder("Tavor_2026-11-26", ".notes");
        QDir(backup).mkpath(QStringLiteral("Tavor_2026-11-25"));
        QFile::link(in("Tavor_2026-11-25"), in("Tavor_2026-11-27"));
        device = *files.deviceOf(backup);
    }

    void folder(const char* name, const char* file, const QByteArray& contents = "x") {
        QDir(backup).mkpath(QLatin1String(name));
        test::writeFile(in(QLatin1String(name) + QLatin1Char('/') + QLatin1String(file)), contents);
    }
    QString in(const QString& relative) const { return backup + QLatin1Char('/') + relative; }
    OldFolderPruning pruning(int kept = 2, quint64 onDevice = 0) {
        return {files, backup, QDate(2026, 12, 6), kept, onDevice ? onDevice : device};
    }

    QTemporaryDir stick;
    QString backup;
    LinuxFileServices files;
    quint64 device = 0;
};

// The host's files, failing the removal of one folder.
class FailingRemoval : public LinuxFileServices {
public:
    void removeFolder(const QString& parent, const QString& name, const QStringList& files,
                      quint64 device) override {
        if (name == QLatin1String("Tavor_2026-11-25"))
            throw Error(ErrorNumber::PermissionDenied, QStringLiteral("refused"));
        LinuxFileServices::removeFolder(parent, name, files, device);
    }
};

} // namespace

// What may make room and what never: a folder goes only when it is a real folder of
// the run's volume named by a date before tonight's, beyond the newest kept ones and
// the newest complete copy, holding only files the run writes there.
TEST_F(OldFolderPruningTest, EachRuleOfWhatMayBeRemoved) {
    const struct {
        int kept;
        bool otherVolume;
        const char* name;
        Verdict verdict;
    } cases[] = {
        {2, false, "Tavor_2026-12-07", Verdict::NotOlder},
        {2, false, "Tavor_2026-12-06", Verdict::NotOlder},
        {2, false, "Tavor_2026-13-01", Verdict::NotDated},
        {2, false, "Tavor_2026-1-05", Verdict::NotDated},
        {2, false, "Backup_2026-11-01", Verdict::NotDated},
        {2, false, "Tavor_2026-12-05", Verdict::Kept},
        {2, false, "Tavor_2026-12-04", Verdict::Kept},
        {1, false, "Tavor_2026-12-04", Verdict::Removable},
        {0, false, "Tavor_2026-12-05", Verdict::Kept},
        {2, false, "Tavor_2026-12-03", Verdict::NewestComplete},
        {2, false, "Tavor_2026-12-02", Verdict::Foreign},
        {2, false, "Tavor_2026-12-01", Verdict::Foreign},
        {2, false, "Tavor_2026-11-30", Verdict::Foreign},
        {2, false, "Tavor_2026-11-29", Verdict::Removable},
        {2, false, "Tavor_2026-11-28", Verdict::Foreign},
        {2, false, "Tavor_2026-11-27", Verdict::NotAFolder},
        {2, false, "Tavor_2026-11-26", Verdict::Foreign},
        {2, false, "Tavor_2026-11-25", Verdict::Removable},
        {2, true, "Tavor_2026-11-25", Verdict::OffVolume},
    };
    for (const auto& c : cases) {
        const QList<OldFolderPruning::Folder> folders =
            pruning(c.kept, c.otherVolume ? device + 1 : 0).survey();
        const auto found = std::find_if(folders.cbegin(), folders.cend(), [&](const auto& f) {
            return f.name == QLatin1String(c.name);
        });
        ASSERT_NE(found, folders.cend()) << c.name;
        EXPECT_EQ(found->verdict, c.verdict) << c.name << " keeping " << c.kept;
    }
}

// Oldest first, and no more than the run needs; a stop signal removes nothing more.
TEST_F(OldFolderPruningTest, RemovesOldestFirstUntilItFits) {
    int removals = 0;
    const PruningReport first =
        pruning().prune([&] { return removals++ > 0; }, [] { return false; });
    ASSERT_EQ(first.removed.size(), 1);
    EXPECT_EQ(first.removed[0].name, QStringLiteral("Tavor_2026-11-25"));
    EXPECT_FALSE(QFileInfo::exists(in("Tavor_2026-11-25")));
    EXPECT_TRUE(QFileInfo::exists(in("Tavor_2026-11-29/TAVOR_HS.bak")));
    EXPECT_TRUE(first.fits);

    const PruningReport stopped = pruning().prune([] { return false; }, [] { return true; });
    EXPECT_TRUE(stopped.removed.isEmpty());

    const PruningReport all = pruning().prune([] { return false; }, [] { return false; });
    ASSERT_EQ(all.removed.size(), 1);
    EXPECT_EQ(all.removed[0].name, QStringLiteral("Tavor_2026-11-29"));
    EXPECT_EQ(all.removed[0].bytes, RowTaking::CopyThreshold + 3 + 18);
    EXPECT_FALSE(all.fits);
    // Five foreign folders stay, and are named; with the kept, the complete copy and
    // the foreign ones, eight dated folders are left.
    EXPECT_EQ(all.leftAlone.size(), 5);
    EXPECT_EQ(all.kept, 8);
    EXPECT_TRUE(QFileInfo::exists(in("Tavor_2026-12-02/notes.txt")));
}

// A removal that fails leaves its folder and stops the pruning: nothing after it goes.
TEST_F(OldFolderPruningTest, FailedRemovalStopsPruning) {
    FailingRemoval failing;
    const PruningReport report = OldFolderPruning(failing, backup, QDate(2026, 12, 6), 2, device)
                                     .prune([] { return false; }, [] { return false; });
    EXPECT_TRUE(report.removed.isEmpty());
    EXPECT_EQ(report.failure, QStringLiteral("refused"));
    EXPECT_TRUE(QFileInfo::exists(in("Tavor_2026-11-29/TAVOR_07.cab")));
}
