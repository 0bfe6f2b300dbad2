#include "platform/registry/linux/IniRegistryStore.h"
#include "base/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tavor::Error;
using tavor::IniRegistryStore;

namespace {

const QString TavorKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// Each hive has its own file with the key path below the hive as section; short hive
// names, other case and stray backslashes name the same key, and a sub-key's value
// does not show under its parent.
TEST(IniRegistryStore, OneFilePerHiveWithKeyPathSections) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path() + "/registry");
    store.setValue(TavorKey + "\\Backup", "Drive", "/media/usb0");
    store.setValue("HKLM\\SOFTWARE\\ORV\\Tavor", "ServerPath", "//srv/share");
    EXPECT_EQ(readBytes(dir.path() + "/registry/HKEY_CURRENT_USER.ini"),
              QByteArray("[Software\\ORV\\Tavor\\Backup]\nDrive=/media/usb0\n"));
    EXPECT_EQ(readBytes(dir.path() + "/registry/HKEY_LOCAL_MACHINE.ini"),
              QByteArray("[SOFTWARE\\ORV\\Tavor]\nServerPath=//srv/share\n"));
    EXPECT_EQ(store.value("hkcu\\SOFTWARE\\orv\\tavor\\backup\\", "DRIVE"),
              QStringLiteral("/media/usb0"));
    EXPECT_EQ(store.value(TavorKey, "Drive"), std::nullopt);
    EXPECT_EQ(store.value("HKEY_CURRENT_USER\\SOFTWARE\\ORV\\Tavor", "ServerPath"), std::nullopt);
}

// Values come back byte for byte, and a change another program makes to the file is
// seen by the next read.
TEST(IniRegistryStore, ValuesRoundTripAndOutsideChangesAreSeen) {
    QTemporaryDir dir;
    IniRegistryStore store(dir.path());
    store.setValue(TavorKey, "_DBase", QStringLiteral(u"  قاعدة  "));
    store.setValue(TavorKey, "_Server", "");
    EXPECT_EQ(store.value(TavorKey, "_DBase"), QStringLiteral(u"  قاعدة  "));
    EXPECT_EQ(store.value(TavorKey, "_Server"), QString(""));

    writeBytes(dir.filePath("HKEY_LOCAL_MACHINE.ini"),
               "[SOFTWARE\\ORV\\Tavor\\Drives]\n/srv/b=3\n/srv/a=2\n");
    EXPECT_EQ(store.values("HKLM\\SOFTWARE\\ORV\\Tavor\\Drives"),
              (QList<std::pair<QString, QString>>{{"/srv/b", "3"}, {"/srv/a", "2"}}));
}

// A corrupt or unreadable hive file reads as empty instead of failing the caller.
TEST(IniRegistryStore, CorruptOrUnreadableFilesReadEmpty) {
    QTemporaryDir dir;
    writeBytes(dir.filePath("HKEY_CURRENT_USER.ini"),
               QByteArray("[Software\\ORV\\Tavor]\n_Server=S\n\0\0garbage", 40));
    ASSERT_TRUE(QDir(dir.path()).mkdir("HKEY_LOCAL_MACHINE.ini"));
    IniRegistryStore store(dir.path());
    EXPECT_EQ(store.value(TavorKey, "_Server"), std::nullopt);
    EXPECT_TRUE(store.values(TavorKey).isEmpty());
    EXPECT_EQ(store.value("HKLM\\SOFTWARE\\ORV\\Tavor", "ServerPath"), std::nullopt);
}

// A folder that cannot be created reads as empty, and every write that cannot be
// stored (no folder, unknown hive, unstorable name) must reach the caller.
TEST(IniRegistryStore, WritesThatCannotBeStoredRaise) {
    QTemporaryDir dir;
    writeBytes(dir.filePath("plain"), "a file, not a folder");
    IniRegistryStore blocked(dir.filePath("plain/registry"));
    EXPECT_EQ(blocked.value(TavorKey, "_Server"), std::nullopt);
    EXPECT_THROW(blocked.setValue(TavorKey, "_Server", "S"), Error);

    IniRegistryStore store(dir.path());
    EXPECT_THROW(store.setValue("HKEY_CLASSES_ROOT\\x", "y", "z"), Error);
    EXPECT_THROW(store.setValue(TavorKey, "a=b", "z"), Error);
    EXPECT_EQ(store.value("HKEY_CLASSES_ROOT\\x", "y"), std::nullopt);
}

// The folder follows the environment: its own variable, then the XDG config home
// (when absolute), then ~/.config.
TEST(IniRegistryStore, DefaultFolderFollowsTheEnvironment) {
    const QByteArray savedOwn = qgetenv("ORV_REGISTRY_DIR");
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("ORV_REGISTRY_DIR", "/tmp/orv-reg");
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg");
    EXPECT_EQ(IniRegistryStore::defaultFolder(), QStringLiteral("/tmp/orv-reg"));
    qunsetenv("ORV_REGISTRY_DIR");
    EXPECT_EQ(IniRegistryStore::defaultFolder(), QStringLiteral("/tmp/xdg/ORV/registry"));
    qputenv("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(IniRegistryStore::defaultFolder(), QDir::homePath() + "/.config/ORV/registry");
    qputenv("ORV_REGISTRY_DIR", savedOwn);
    qputenv("XDG_CONFIG_HOME", savedXdg);
}
