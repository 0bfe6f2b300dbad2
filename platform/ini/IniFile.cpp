#include "platform/ini/IniFile.h"

#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace tavor {

namespace {

// Makes the rename that replaced a file survive a power cut.
void syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Empty when every byte was written, else the reason.
QString writeAll(QSaveFile& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        done += written;
    }
    return {};
}

} // namespace

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
    // QSaveFile writes a temporary file beside the target, flushes it to disk and
    // puts it in place of the target only on commit. It is opened unbuffered because
    // a buffered QSaveFile drops the rest of a short write (file size limit, full
    // disk) and still commits the truncated file.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(ErrorNumber::PathNotFound,
                    QStringLiteral("Cannot write %1: %2").arg(path_, file.errorString()));
    QString failure = writeAll(file, document.toBytes());
    if (failure.isEmpty() && !file.commit())
        failure = file.errorString();
    if (!failure.isEmpty())
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("Cannot write %1: %2").arg(path_, failure));
    syncFolderOf(path_);
}

} // namespace tavor
