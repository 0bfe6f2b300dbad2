// A hive file of any bytes: reading never fails; a value stored in a text hive
// reads back, and a hive that is not text is never overwritten.

#include "base/Error.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/linux/IniRegistryStore.h"
#include "support/FuzzCheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QString hive = folder.filePath(QStringLiteral("HKEY_CURRENT_USER.ini"));

    FuzzedDataProvider input(data, size);
    const QString keyPath =
        QStringLiteral("HKCU\\") + QString::fromUtf8(input.ConsumeRandomLengthString(32));
    const QString name = QString::fromUtf8(input.ConsumeRandomLengthString(32));
    const QString value = QString::fromUtf8(input.ConsumeRandomLengthString(64));
    const std::string text = input.ConsumeRemainingBytesAsString();
    const QByteArray bytes(text.data(), qsizetype(text.size()));
    {
        QFile file(hive);
        TAVOR_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        TAVOR_FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    tavor::IniRegistryStore store(folder.path());
    store.values(keyPath);
    store.value(keyPath, name);
    try {
        store.setValue(keyPath, name, value);
    } catch (const tavor::Error&) {
        TAVOR_FUZZ_CHECK(contentsOf(hive) == bytes);
        return 0;
    }
    TAVOR_FUZZ_CHECK(!bytes.contains('\0') && bytes.size() <= tavor::IniFile::MaxBytes);
    TAVOR_FUZZ_CHECK(store.value(keyPath, name) == value);
    return 0;
}
