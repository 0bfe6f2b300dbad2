#include "safewrite/SourceFile.h"

#include "safewrite/SystemError.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavor {

// Opening a FIFO waits for a writer and opening a device may act on it (a tape
// rewinds): only a regular file is opened, without waiting, and looked at again
// once open in case the name changed hands in between. Without waiting changes
// nothing for reading a regular file.
SourceFile::SourceFile(const QString& path, SystemCalls& calls) : path_(path), calls_(calls) {
    const QByteArray name = QFile::encodeName(path);
    struct stat found {};
    if (::stat(name.constData(), &found) == 0 && !S_ISREG(found.st_mode)) {
        throw notRegularError();
    }
    fd_ = calls_.open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0);
    if (fd_ < 0) {
        throw systemError(errno, QStringLiteral("Cannot open"), path_);
    }
    struct stat status {};
    if (calls_.fstat(fd_, &status) != 0) {
        const int failure = errno;
        calls_.close(fd_);
        throw systemError(failure, QStringLiteral("Cannot read the size of"), path_);
    }
    if (!S_ISREG(status.st_mode)) {
        calls_.close(fd_);
        throw notRegularError();
    }
    size_ = status.st_size;
    modified_ = status.st_mtim;
    permissions_ = status.st_mode & 07777;
}

SourceFile::~SourceFile() {
    calls_.close(fd_);
}

void SourceFile::checkUnchanged() const {
    struct stat status {};
    if (calls_.fstat(fd_, &status) != 0) {
        throw systemError(errno, QStringLiteral("Cannot read the size of"), path_);
    }
    if (status.st_size != size_ || status.st_mtim.tv_sec != modified_.tv_sec ||
        status.st_mtim.tv_nsec != modified_.tv_nsec) {
        throw changedError();
    }
}

Error SourceFile::notRegularError() const {
    return Error(ErrorNumber::FileNotFound,
                 QStringLiteral("'%1' is not a regular file").arg(path_));
}

Error SourceFile::changedError() const {
    return Error(ErrorNumber::DeviceIOError,
                 QStringLiteral("'%1' changed while it was being read").arg(path_));
}

} // namespace tavor
