#include "modules/modCheckNewVer.h"
#include "platform/api/ORVApi.h"
#include "platform/ini/IniFile.h"
#include "support/ElfFiles.h"
#include "support/TestFiles.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

namespace {

const QString ServerKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor");

// The host's files, but one folder the running user may not write (an installed
// program's folder, owned by root).
class ReadOnlyFolder : public LinuxFileServices {
public:
    explicit ReadOnlyFolder(QString folder) : folder_(std::move(folder)) {}
    bool isWritableFolder(const QString& path) const override {
        return QDir::cleanPath(path) != folder_ && LinuxFileServices::isWritableFolder(path);
    }

private:
    QString folder_;
};

// A workstation with a program folder, a Windows folder and an update share, all
// on disk; builds are small ELF files carrying a version.
class modCheckNewVerTest : public testing::Test, protected TestPlatform {
protected:
    void SetUp() override {
        for (const char* folder : {"program", "windows", "share/Update"})
            ASSERT_TRUE(QDir().mkpath(root(folder)));
        registry->setValue(ServerKey, QStringLiteral("ServerPath"), root("share"));
        api.setOpenKey(QStringLiteral("418265"));
        process->folder = root("program");
        process->variables.insert(QStringLiteral("windir"), root("windows"));
    }

    QString root(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString localExecutable() const { return root("program/tavor-backup"); }
    QString serverExecutable() const { return root("share/Update/tavor-backup"); }

    void builds(const QByteArray& local, const QByteArray& server) {
        ElfFiles::writeWithVersion(localExecutable(), local);
        ElfFiles::writeWithVersion(serverExecutable(), server);
    }
    void installUpdater(const char* where) { writeFile(root(where), "#!/bin/sh\n"); }

    void check() {
        modCheckNewVer(&api, platform, [this] { ++ended; }).CheckForNewVersion();
    }

    QString entry(const char* section) const {
        return IniFile(root("windows/Update.orv"))
            .value(QString::fromLatin1(section), QStringLiteral("TAVOR-BACKUP"))
            .value_or(QStringLiteral("<none>"));
    }
    bool nothingDone() const {
        return !QFile::exists(root("windows/Update.orv")) && process->started.isEmpty() &&
               messages->shown.isEmpty() && ended == 0;
    }

    QTemporaryDir dir;
    ORVApi api{registry};
    int ended = 0;
};

} // namespace

// Fields compare as numbers: a plain text comparison would take 1.0.0.9 for newer
// than 1.0.0.10 and 1.2 for newer than 1.10.
TEST(modCheckNewVerNormalize, FieldsBecomeFiveDigitNumbers) {
    EXPECT_EQ(modCheckNewVer::NormalizeVersion("1.2.3.4"), "00001.00002.00003.00004");
    EXPECT_EQ(modCheckNewVer::NormalizeVersion("2.1"), "00002.00001.00000.00000");
    EXPECT_EQ(modCheckNewVer::NormalizeVersion(""), "00000.00000.00000.00000");
    EXPECT_EQ(modCheckNewVer::NormalizeVersion("1.0.0.10.7"), "00001.00000.00000.00010");
    EXPECT_EQ(modCheckNewVer::NormalizeVersion("1x.2"), "00001.00002.00000.00000");
    EXPECT_EQ(modCheckNewVer::NormalizeVersion("123456.1.2.3"), "123456.00001.00002.0000")
        << "a wide field keeps its width and the cut falls later";
}

// Equal builds, an older one on the share, or none there: nothing is written,
// started or shown, and start-up goes on.
TEST_F(modCheckNewVerTest, NoNewerBuildDoesNothing) {
    installUpdater("windows/ORVUpdate");
    for (const auto& [local, server] :
         {std::pair{"1.0.0.5", "1.0.0.5"}, std::pair{"1.0.0.10", "1.0.0.9"},
          std::pair{"1.10", "1.2"}}) {
        builds(local, server);
        check();
        EXPECT_TRUE(nothingDone()) << local << " against " << server;
    }
    QFile::remove(serverExecutable());
    check();
    EXPECT_TRUE(nothingDone()) << "a missing server build counts as version zero";
}

// Without the update folder the share is not looked into at all.
TEST_F(modCheckNewVerTest, NoUpdateFolderDoesNothing) {
    installUpdater("windows/ORVUpdate");
    builds("1.0.0.0", "9.0.0.0");
    registry->setValue(ServerKey, QStringLiteral("ServerPath"), root("program"));
    check();
    EXPECT_TRUE(nothingDone());
}

// A newer build by the numbers is handed to the updater with the four entries and
// the program ends; versions are written as read, paths with or without a
// trailing separator on the share path give the same folder.
TEST_F(modCheckNewVerTest, NewerBuildWritesEntriesStartsUpdaterAndEnds) {
    installUpdater("windows/ORVUpdate");
    const QString shares[] = {root("share"), root("share") + QLatin1Char('/')};
    for (const auto& [local, server] :
         {std::pair{"1.0.0.9", "1.0.0.10"}, std::pair{"1.2", "1.10"}}) {
        for (const QString& share : shares) {
            registry->setValue(ServerKey, QStringLiteral("ServerPath"), share);
            QFile::remove(root("windows/Update.orv"));
            process->started.clear();
            ended = 0;
            builds(local, server);
            check();
            EXPECT_EQ(entry("Source"), serverExecutable() + "," + local + "," + server);
            EXPECT_EQ(entry("Destination"), localExecutable());
            EXPECT_EQ(entry("Description"), modCheckNewVer::Description);
            EXPECT_EQ(entry("Run"), localExecutable());
            EXPECT_EQ(process->started, QStringList{root("windows/ORVUpdate")});
            EXPECT_EQ(ended, 1);
        }
    }
    EXPECT_TRUE(messages->shown.isEmpty());
}

// Guards against trimming more than blanks: an update folder whose name ends in a
// no-break space is that folder, and surrounding blanks are still removed.
TEST_F(modCheckNewVerTest, UpdateFolderLosesOnlyBlanks) {
    installUpdater("windows/ORVUpdate");
    ASSERT_TRUE(QDir().mkpath(root("share/Update\u00a0")));
    ElfFiles::writeWithVersion(localExecutable(), "1.0.0.0");
    ElfFiles::writeWithVersion(root("share/Update\u00a0/tavor-backup"), "2.0.0.0");
    modCheckNewVer(&api, platform, [this] { ++ended; })
        .CompareAndStartUpdate(QStringLiteral("  ") + root("share/Update\u00a0") +
                                   QStringLiteral(" "),
                               modCheckNewVer::Description);
    EXPECT_EQ(entry("Source"), root("share/Update\u00a0/tavor-backup") + ",1.0.0.0,2.0.0.0");
    EXPECT_EQ(ended, 1);
}

// The updater is also found in the System32 subfolder.
TEST_F(modCheckNewVerTest, UpdaterInSystem32OnlyIsStarted) {
    ASSERT_TRUE(QDir().mkpath(root("windows/System32")));
    installUpdater("windows/System32/ORVUpdate");
    builds("1.0.0.0", "1.0.0.1");
    check();
    EXPECT_EQ(entry("Run"), localExecutable());
    EXPECT_EQ(process->started, QStringList{root("windows/System32/ORVUpdate")});
    EXPECT_EQ(ended, 1);
}

// Without an updater the operator is warned; a build ending in 9 must not be
// run past, any other may.
TEST_F(modCheckNewVerTest, MissingUpdaterWarnsAndEndsOnlyForNine) {
    builds("1.0.0.0", "1.0.0.8");
    check();
    ASSERT_EQ(messages->shown.size(), 1);
    const MessageBoxRequest& box = messages->shown.front();
    EXPECT_EQ(box.title, QStringLiteral("تحذير"));
    EXPECT_EQ(box.text,
              QStringLiteral("تم العثور على نسخة جديدة من البرنامج .. الا انه لا يمكن التحديث   "
                             "\r\nبسبب عدم وجود برنامج الاستشاري للتحديث .\r\n\r\n"
                             "يرجى الاتصال بالاستشاري ..."));
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_TRUE(box.rightAligned && box.rtlReading);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(entry("Source"), serverExecutable() + ",1.0.0.0,1.0.0.8");

    builds("1.0.0.0", "1.0.0.9");
    check();
    EXPECT_EQ(messages->shown.size(), 2);
    EXPECT_EQ(ended, 1);
}

// Failing steps are skipped, but a handover that cannot work is handled as a
// missing updater: ending anyway ended every start while a newer build sat on the
// share. An updater that cannot start, a control file that cannot be written, no
// API object to write it, and a program folder the operator cannot write each warn
// and keep the program running; without file services nothing is compared.
TEST_F(modCheckNewVerTest, HandoverThatCannotWorkWarnsLikeAMissingUpdater) {
    installUpdater("windows/ORVUpdate");
    builds("1.0.0.0", "1.0.0.2");
    struct Fault {
        const char* what;
        std::function<void()> apply;
        bool withApi;
    };
    const Fault faults[] = {
        {"updater cannot start", [&] { process->failStarts = true; }, true},
        {"control file cannot be written",
         [&] { ASSERT_TRUE(QDir().mkpath(root("windows/Update.orv"))); }, true},
        {"no API object", [] {}, false},
        {"program folder not writable",
         [&] { platform.files = std::make_shared<ReadOnlyFolder>(root("program")); }, true},
    };
    for (const Fault& fault : faults) {
        process->failStarts = false;
        QDir(root("windows/Update.orv")).removeRecursively();
        QFile::remove(root("windows/Update.orv"));
        platform.files = std::make_shared<LinuxFileServices>();
        messages->shown.clear();
        fault.apply();
        modCheckNewVer(fault.withApi ? &api : nullptr, platform, [this] {
            ++ended;
        }).CompareAndStartUpdate(root("share/Update"), modCheckNewVer::Description);
        EXPECT_EQ(messages->shown.size(), 1) << fault.what;
        EXPECT_TRUE(process->started.isEmpty()) << fault.what;
        EXPECT_EQ(ended, 0) << fault.what;
    }

    platform.files.reset();
    check();
    EXPECT_TRUE(process->started.isEmpty());
    EXPECT_EQ(messages->shown.size(), 1);
}
