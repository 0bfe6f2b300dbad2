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

std::size_t readFully(SystemCalls& calls, int fd, void* buffer, std::size_t size,
                      std::int64_t offset, const QString& name) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = calls.pread(fd, bytes + done, size - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw systemError(errno, QStringLiteral("Cannot read back"), name);
        }
        if (got == 0) {
            break;
        }
        done += std::size_t(got);
    }
    return done;
}

} // namespace tavor
