#include "platform/registry/IniRegistryStore.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tavor::Error;
using tavor::IniRegistryStore;

namespace {

const QString BackupKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray* value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), saved_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray saved_;
};

} // namespace

// Each hive lives in its own file, the key path below the hive is the section, and
// the file must be readable by hand and by the other programs of the installation.
TEST(IniRegistryStore, WritesOneFilePerHiveWithKeyPathSections) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path() + "/registry");
    store.setValue(BackupKey, "Drive", "/media/usb0");
    store.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor", "ServerPath", "//srv/share");
    EXPECT_EQ(readBytes(dir.path() + "/registry/HKEY_CURRENT_USER.ini"),
              QByteArray("[Software\\ORV\\Tavor\\Backup]\nDrive=/media/usb0\n"));
    EXPECT_EQ(readBytes(dir.path() + "/registry/HKEY_LOCAL_MACHINE.ini"),
              QByteArray("[SOFTWARE\\ORV\\Tavor]\nServerPath=//srv/share\n"));
    EXPECT_EQ(store.value("HKEY_CURRENT_USER\\Software\\ORV\\Tavor", "Drive"), std::nullopt)
        << "a value of a sub-key must not show under its parent";
}

// Short hive names, other case and stray backslashes name the same key.
TEST(IniRegistryStore, HiveAliasesAndCaseNameTheSameKey) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path());
    store.setValue("HKCU\\Software\\ORV\\Tavor", "_Server", " SRV\\INST ");
    EXPECT_EQ(store.value("hkey_current_user\\SOFTWARE\\orv\\tavor\\", "_SERVER"),
              QStringLiteral(" SRV\\INST "));
    store.setValue("HKLM\\SOFTWARE\\ORV\\Tavor", "ServerPath", "x");
    EXPECT_EQ(store.value("HKEY_LOCAL_MACHINE\\Software\\ORV\\Tavor", "ServerPath"),
              QStringLiteral("x"));
    EXPECT_EQ(store.value("HKEY_CURRENT_USER\\Software\\ORV\\Tavor", "ServerPath"), std::nullopt);
}

// Values must come back byte for byte: blanks, Arabic and empty text.
TEST(IniRegistryStore, ValuesRoundTripByteForByte) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path());
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");
    store.setValue(key, "_DBase", QStringLiteral(u"  قاعدة  "));
    store.setValue(key, "_Server", "");
    EXPECT_EQ(store.value(key, "_DBase"), QStringLiteral(u"  قاعدة  "));
    EXPECT_EQ(store.value(key, "_Server"), QString(""));
    EXPECT_EQ(store.value(key, "Other"), std::nullopt);
}

// Another program may change the file between two reads; the second read must see it.
TEST(IniRegistryStore, ReadsSeeChangesMadeByOtherProgramsAndListValuesInOrder) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path());
    const QString drives = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Drives");
    EXPECT_TRUE(store.values(drives).isEmpty());
    writeBytes(dir.filePath("HKEY_LOCAL_MACHINE.ini"),
               "[SOFTWARE\\ORV\\Tavor\\Drives]\n/srv/b=3\n/srv/a=2\n");
    const auto values = store.values(drives);
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(values[0], std::make_pair(QStringLiteral("/srv/b"), QStringLiteral("3")));
    EXPECT_EQ(values[1], std::make_pair(QStringLiteral("/srv/a"), QStringLiteral("2")));
}

// A corrupt hive file reads as empty instead of failing the caller.
TEST(IniRegistryStore, CorruptFileReadsEmpty) {
    QTemporaryDir dir;
    writeBytes(dir.filePath("HKEY_CURRENT_USER.ini"),
               QByteArray("[Software\\ORV\\Tavor]\n_Server=S\n\0\0garbage", 40));
    IniRegistryStore store(dir.path());
    EXPECT_EQ(store.value("HKEY_CURRENT_USER\\Software\\ORV\\Tavor", "_Server"), std::nullopt);
    EXPECT_TRUE(store.values("HKEY_CURRENT_USER\\Software\\ORV\\Tavor").isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir("HKEY_LOCAL_MACHINE.ini"));
    EXPECT_EQ(store.value("HKLM\\SOFTWARE\\ORV\\Tavor", "ServerPath"), std::nullopt)
        << "an unreadable hive file must read as empty, not raise";
}

// A registry folder that cannot be created reads as empty, and a write must report failure.
TEST(IniRegistryStore, UncreatableFolderReadsEmptyAndWritesRaise) {
    QTemporaryDir dir;
    writeBytes(dir.filePath("plain"), "file");
    IniRegistryStore store(dir.filePath("plain/registry"));
    EXPECT_EQ(store.value(BackupKey, "Drive"), std::nullopt);
    EXPECT_THROW(store.setValue(BackupKey, "Drive", "/media/usb0"), Error);
}

// Hives other than the two kept here, and value names an entry cannot hold, are refused.
TEST(IniRegistryStore, UnknownHivesAndUnstorableNamesAreRefused) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path());
    EXPECT_EQ(store.value("HKEY_CLASSES_ROOT\\x", "y"), std::nullopt);
    EXPECT_THROW(store.setValue("HKEY_CLASSES_ROOT\\x", "y", "z"), Error);
    EXPECT_THROW(store.setValue(BackupKey, "a=b", "z"), Error);
    EXPECT_THROW(store.setValue(BackupKey, "Drive", "two\nlines"), Error);
    EXPECT_EQ(store.value(BackupKey, "Drive"), std::nullopt);
}

// The folder follows the environment: own variable first, then the XDG config home.
TEST(IniRegistryStore, DefaultFolderFollowsTheEnvironment) {
    const QByteArray own("/tmp/orv-reg"), xdg("/tmp/xdg-config"), relative("relative/config");
    {
        ScopedEnv a("ORV_REGISTRY_DIR", &own);
        ScopedEnv b("XDG_CONFIG_HOME", &xdg);
        EXPECT_EQ(IniRegistryStore::defaultFolder(), QStringLiteral("/tmp/orv-reg"));
    }
    {
        ScopedEnv a("ORV_REGISTRY_DIR", nullptr);
        ScopedEnv b("XDG_CONFIG_HOME", &xdg);
        EXPECT_EQ(IniRegistryStore::defaultFolder(),
                  QStringLiteral("/tmp/xdg-config/ORV/registry"));
    }
    {
        ScopedEnv a("ORV_REGISTRY_DIR", nullptr);
        ScopedEnv b("XDG_CONFIG_HOME", &relative);
        EXPECT_EQ(IniRegistryStore::defaultFolder(), QDir::homePath() + "/.config/ORV/registry");
    }
}
