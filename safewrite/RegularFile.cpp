#include "safewrite/RegularFile.h"

#include "safewrite/SystemError.h"

#include <cerrno>
#include <fcntl.h>

namespace tavor {

int openRegularFile(SystemCalls& calls, const QByteArray& path, int flags, mode_t mode,
                    const QString& action, const QString& name, struct stat& status) {
    const int fd = calls.open(path.constData(), flags | O_NONBLOCK | O_NOCTTY, mode);
    if (fd < 0)
        throw systemError(errno, action, name);
    if (calls.fstat(fd, &status) != 0) {
        const int failure = errno;
        calls.close(fd);
        throw systemError(failure, action, name);
    }
    if (!S_ISREG(status.st_mode)) {
        calls.close(fd);
        throw notRegularFileError(name);
    }
    return fd;
}

Error notRegularFileError(const QString& name) {
    return Error(ErrorNumber::FileNotFound, QStringLiteral("'%1' is not a regular file").arg(name));
}

} // namespace tavor
