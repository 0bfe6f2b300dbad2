#include "safewrite/ReadBackFile.h"

#include "safewrite/RegularFile.h"
#include "safewrite/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace tavor {

namespace {

constexpr std::size_t ChecksumBufferBytes = std::size_t(1) << 20;
const QString ReadBackAction = QStringLiteral("Cannot read back");

} // namespace

// Only the regular file under that very name is read: a link there leads elsewhere,
// and a FIFO or a device would block the reader or never end.
ReadBackFile::ReadBackFile(const QByteArray& path, const QString& target, SystemCalls& calls)
    : target_(target), calls_(calls) {
    struct stat status {};
    fd_ = openRegularFile(calls_, path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0, ReadBackAction,
                          target_, status);
    size_ = status.st_size;
    // Pages still dirty are not dropped: flush them first. A file of a medium
    // mounted read-only has none, and some file systems refuse to flush it then.
    if (calls_.fsync(fd_) != 0 && errno != EROFS && errno != EINVAL) {
        const int failure = errno;
        calls_.close(fd_);
        throw systemError(failure, QStringLiteral("Cannot flush"), target_);
    }
    if (const int failure = calls_.dropCache(fd_); failure != 0) {
        calls_.close(fd_);
        throw systemError(failure, QStringLiteral("Cannot drop the cached pages of"), target_);
    }
}

ReadBackFile::~ReadBackFile() {
    calls_.close(fd_);
}

std::size_t ReadBackFile::read(void* buffer, std::size_t size, std::int64_t offset) {
    const std::size_t done = readFully(calls_, fd_, buffer, size, offset, target_);
    digest(static_cast<const char*>(buffer), done, offset);
    return done;
}

void ReadBackFile::digest(const char* bytes, std::size_t size, std::int64_t offset) {
    const std::int64_t end = offset + std::int64_t(size);
    if (offset > digested_ || end <= digested_) {
        return;
    }
    digest_.add(bytes + (digested_ - offset), std::size_t(end - digested_));
    digested_ = end;
}

QByteArray ReadBackFile::sha256(IdleTicker& idle) {
    std::vector<char> buffer(ChecksumBufferBytes);
    while (read(buffer.data(), buffer.size(), digested_) != 0) {
        idle.tick();
    }
    return digest_.hex();
}

ContentChecksum ReadBackFile::checksum(IdleTicker& idle) {
    std::vector<char> buffer(ChecksumBufferBytes);
    ContentChecksum sum;
    std::int64_t offset = 0;
    while (const std::size_t got = read(buffer.data(), buffer.size(), offset)) {
        sum.add(buffer.data(), got);
        offset += std::int64_t(got);
        idle.tick();
    }
    return sum;
}

} // namespace tavor
