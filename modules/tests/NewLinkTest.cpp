#include "modules/NewLink.h"
#include "support/MemoryRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tavor::MemoryRegistryStore;
using tavor::ORVApi;
using tavor::NewLink::LeadingNumber;
using tavor::NewLink::ResolveDatabaseLink;

namespace {

const QString TavorKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");

class NewLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry->setValue(TavorKey, "_Server", " REG-SRV ");
        registry->setValue(TavorKey, "_DBase", " RegDb ");
        api.setOpenKey("418265");
    }

    void writeSettings(const QByteArray& text) {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString settingsPath() const { return folder.filePath("Setting.ini"); }

    // Runs the resolution with a database name that must be replaced.
    std::pair<QString, QString> resolve() {
        QString database = QStringLiteral("stale");
        const QString server = ResolveDatabaseLink(api, folder.path(), database);
        return {server, database};
    }

    QTemporaryDir folder;
    std::shared_ptr<MemoryRegistryStore> registry = std::make_shared<MemoryRegistryStore>();
    ORVApi api{registry};
};

using Link = std::pair<QString, QString>;
const Link FromRegistry{QStringLiteral(" REG-SRV "), QStringLiteral(" RegDb ")};

} // namespace

// The switch is the number the text starts with: a wrong reading sends the program
// to the wrong source for its database.
TEST(NewLinkLeadingNumber, ReadsTheNumberTheTextStartsWith) {
    EXPECT_EQ(LeadingNumber(" 2x"), 2);
    EXPECT_EQ(LeadingNumber("\t 7"), 7);
    EXPECT_EQ(LeadingNumber("-1"), -1);
    EXPECT_EQ(LeadingNumber("0.5"), 0.5);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("+3;"), 3);
    EXPECT_EQ(LeadingNumber("1e3"), 1000);
    EXPECT_EQ(LeadingNumber("2e"), 2);
    EXPECT_NE(LeadingNumber("1e999"), 0) << "an overflowing number is still not 0";
    for (const char* zero : {"", "   ", "abc", "x1", "0", " 0 ", "-0", "0.0", ".", "-", "+.", "e5"})
        EXPECT_EQ(LeadingNumber(zero), 0) << '"' << zero << '"';
}

// Without a settings file the registry names both, blanks kept, server read first.
TEST_F(NewLinkTest, NoSettingsFileUsesTheRegistryServerFirst) {
    EXPECT_EQ(resolve(), FromRegistry);
    EXPECT_EQ(registry->reads(), (QStringList{TavorKey + "\\_Server", TavorKey + "\\_DBase"}));
    EXPECT_EQ(api.InIFile().FileName(), folder.path() + "/Setting.ini");
}

// "Useini" holding 0, a word or nothing means the registry.
TEST_F(NewLinkTest, ZeroOrNonNumericSwitchUsesTheRegistry) {
    for (const char* useIni : {"0", " 0", "abc", "", "-0"}) {
        writeSettings(QByteArray("[Main]\nUseini=") + useIni + "\nServer=INI\nDBName=IniDb\n");
        EXPECT_EQ(resolve(), FromRegistry) << '"' << useIni << '"';
    }
}

// Any other number, negative and fractional included, means the settings file,
// values as written, and the registry is not consulted.
TEST_F(NewLinkTest, NonZeroSwitchUsesTheSettingsFileAsWritten) {
    for (const char* useIni : {"1", " 2x", "-1", "0.5"}) {
        writeSettings(QByteArray("[MAIN]\r\nuseini=") + useIni +
                      "\r\nSERVER= INI\\SQL \r\ndbname=IniDb \r\n");
        EXPECT_EQ(resolve(), Link(" INI\\SQL ", "IniDb ")) << '"' << useIni << '"';
    }
    EXPECT_TRUE(registry->reads().isEmpty());
}

// No defaults: a settings file without DBName gives an empty name, even though the
// registry holds one.
TEST_F(NewLinkTest, MissingSettingsValueStaysEmpty) {
    writeSettings("[Main]\nUseini=1\nServer=INI\n");
    EXPECT_EQ(resolve(), Link("INI", ""));
}

// Resolving must never write: not to the registry and not to the settings file.
TEST_F(NewLinkTest, NothingIsWrittenBack) {
    const int writesBefore = registry->writeCount();
    resolve();
    EXPECT_FALSE(QFile::exists(settingsPath()));
    const QByteArray settings("[Main]\nUseini=1\n");
    writeSettings(settings);
    resolve();
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), settings);
    EXPECT_EQ(registry->writeCount(), writesBefore);
}

// A settings file that cannot be read counts as a 0 switch, so the registry is used.
TEST_F(NewLinkTest, UnreadableSettingsFileFallsBackToTheRegistry) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("Setting.ini"));
    EXPECT_EQ(resolve(), FromRegistry);
}

// When every call fails the procedure still returns, with both names empty.
TEST_F(NewLinkTest, FailingCallsLeaveBothNamesEmptyWithoutRaising) {
    api.setOpenKey("wrong");
    EXPECT_EQ(resolve(), Link("", ""));
}
