#include "platform/process/linux/ExecutablePath.h"

#include <QFile>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace tavor {

namespace {

bool roundTrips(const QByteArray& raw) {
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

} // namespace

QString ExecutablePath::running() {
    QByteArray raw(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink("/proc/self/exe", raw.data(), raw.size());
    if (length <= 0)
        return {};
    raw.truncate(length);
    return usable(raw);
}

QString ExecutablePath::usable(const QByteArray& raw) {
    const qsizetype slash = raw.lastIndexOf('/');
    if (roundTrips(raw) || slash < 0)
        return QFile::decodeName(raw);
    const QByteArray folder = slash == 0 ? QByteArray("/") : raw.left(slash);
    // Kept open for the life of the process: the path below names it.
    const int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return QFile::decodeName(raw);
    return QStringLiteral("/proc/self/fd/%1/").arg(fd) + QFile::decodeName(raw.mid(slash + 1));
}

} // namespace tavor
