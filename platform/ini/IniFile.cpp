#include "platform/ini/IniFile.h"

#include "base/Error.h"
#include "safewrite/ReplacementFile.h"

#include <QFile>
#include <QFileInfo>

namespace tavor {

IniFile::IniFile(QString path) : path_(std::move(path)) {}

IniFile::Loaded IniFile::load() const {
    Loaded loaded;
    const QFileInfo info(path_);
    if (path_.isEmpty() || !info.exists())
        return loaded;
    // Only regular files are opened: a FIFO or a device could block or never end.
    if (!info.isFile())
        throw Error(ErrorNumber::PermissionDenied,
                    QStringLiteral("%1 is not a file that can be read").arg(path_));
    loaded.content = Content::NotText;
    if (info.size() > MaxBytes)
        return loaded;

    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::PermissionDenied,
                    QStringLiteral("Cannot read %1: %2").arg(path_, file.errorString()));
    const QByteArray bytes = file.read(MaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("Cannot read %1: %2").arg(path_, file.errorString()));
    if (bytes.size() > MaxBytes || bytes.contains('\0'))
        return loaded;
    loaded.content = Content::Text;
    loaded.document = IniDocument::parse(bytes);
    return loaded;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    return load().document.value(section, key);
}

QList<std::pair<QString, QString>> IniFile::entries(const QString& section) const {
    return load().document.entries(section);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    Loaded loaded = load();
    if (loaded.content == Content::NotText)
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("%1 is not a settings file; it is left unchanged").arg(path_));
    loaded.document.setValue(section, key, value);
    save(loaded.document);
}

void IniFile::save(const IniDocument& document) const {
    ReplacementFile::write(path_, document.toBytes());
}

} // namespace tavor
