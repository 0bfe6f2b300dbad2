#include "platform/files/LinuxFileServices.h"

#include "platform/files/ElfFileVersion.h"
#include "platform/files/ReplacementFile.h"
#include "platform/files/SourceFile.h"
#include "platform/files/SystemError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <vector>

namespace tavor {

namespace {

// Copied in chunks whose writeback starts as soon as each is done, so that the disk
// works while the next chunk is copied and the final flush has little left to do.
constexpr std::size_t CopyChunkBytes = std::size_t(64) << 20;
constexpr std::size_t ReadBufferBytes = std::size_t(1) << 20;

// Errors with which copy_file_range says it cannot copy between these files at all;
// the copy then goes on by reading and writing.
bool kernelCannotCopy(int errorCode) {
    return errorCode == EXDEV || errorCode == ENOSYS || errorCode == EOPNOTSUPP ||
           errorCode == EINVAL;
}

} // namespace

LinuxFileServices::LinuxFileServices(SystemCalls& calls) : calls_(calls) {}

std::optional<qint64> LinuxFileServices::fileSize(const QString& path) const {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status.st_size;
}

QString LinuxFileServices::fileVersion(const QString& path) const {
    return ElfFileVersion::read(path);
}

bool LinuxFileServices::fileExists(const QString& path) const {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

bool LinuxFileServices::folderExists(const QString& path) const {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

void LinuxFileServices::copyFile(const QString& source, const QString& target) {
    const SourceFile input(source, calls_);
    ReplacementFile copy(target, calls_, input.permissions() & 0777);
    copyContents(input, copy);
    input.checkUnchanged();
    checkCopiedSize(input, copy);
    const timespec times[2] = {{0, UTIME_OMIT}, input.modified()};
    if (calls_.futimens(copy.fd(), times) != 0) {
        throw systemError(errno, QStringLiteral("Cannot set the date of"), target);
    }
    copy.commit();
}

void LinuxFileServices::copyContents(const SourceFile& source, ReplacementFile& copy) {
    off_t inOffset = 0;
    off_t outOffset = 0;
    while (inOffset < source.size()) {
        const auto chunk = static_cast<std::size_t>(
            std::min<std::int64_t>(CopyChunkBytes, source.size() - inOffset));
        const ssize_t copied =
            calls_.copyFileRange(source.fd(), &inOffset, copy.fd(), &outOffset, chunk);
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (kernelCannotCopy(errno) && inOffset == 0) {
                copyByReading(source, copy);
                return;
            }
            throw systemError(errno, QStringLiteral("Cannot copy to"), copy.target());
        }
        if (copied == 0) {
            throw source.changedError();
        }
        calls_.startWriteback(copy.fd(), outOffset - copied, copied);
    }
}

void LinuxFileServices::copyByReading(const SourceFile& source, ReplacementFile& copy) {
    std::vector<char> buffer(ReadBufferBytes);
    off_t offset = 0;
    while (offset < source.size()) {
        const auto wanted =
            static_cast<std::size_t>(std::min<std::int64_t>(buffer.size(), source.size() - offset));
        const ssize_t got = calls_.pread(source.fd(), buffer.data(), wanted, offset);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw systemError(errno, QStringLiteral("Cannot read"), source.path());
        }
        if (got == 0) {
            throw source.changedError();
        }
        copy.append(buffer.data(), static_cast<std::size_t>(got));
        offset += got;
    }
}

void LinuxFileServices::checkCopiedSize(const SourceFile& source, ReplacementFile& copy) {
    struct stat status {};
    if (calls_.fstat(copy.fd(), &status) != 0) {
        throw systemError(errno, QStringLiteral("Cannot read the size of"), copy.target());
    }
    if (status.st_size != source.size()) {
        throw Error(ErrorNumber::DeviceIOError, QStringLiteral("The copy '%1' holds %2 of %3 bytes")
                                                    .arg(copy.target())
                                                    .arg(status.st_size)
                                                    .arg(source.size()));
    }
}

} // namespace tavor
