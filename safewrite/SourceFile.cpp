#include "safewrite/SourceFile.h"

#include "safewrite/RegularFile.h"
#include "safewrite/SystemError.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavor {

// Anything but a regular file is refused before it is opened, and looked at again
// once open in case the name changed hands in between.
SourceFile::SourceFile(const QString& path, SystemCalls& calls) : path_(path), calls_(calls) {
    const QByteArray name = QFile::encodeName(path);
    struct stat found {};
    if (::stat(name.constData(), &found) == 0 && !S_ISREG(found.st_mode)) {
        throw notRegularFileError(path_);
    }
    struct stat status {};
    fd_ = openRegularFile(calls_, name, O_RDONLY | O_CLOEXEC, 0, QStringLiteral("Cannot open"),
                          path_, status);
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

Error SourceFile::changedError() const {
    return Error(ErrorNumber::DeviceIOError,
                 QStringLiteral("'%1' changed while it was being read").arg(path_));
}

} // namespace tavor
