#include "safewrite/ReplacementFile.h"

#include "safewrite/SystemError.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavor {

namespace {

// Leaves room in the folder entry for the prefix and suffix of the temporary name.
constexpr qsizetype MaxNameBytesInTemporary = 200;
constexpr int CreateAttempts = 16;

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray temporaryNameBeside(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray name = target.mid(slash + 1).left(MaxNameBytesInTemporary);
    const QByteArray tag =
        QByteArray::number(QRandomGenerator::global()->generate64(), 36).rightJustified(13, '0');
    return folder + '.' + name + '.' + tag + ".tmp";
}

// The permissions of a file already at target, else mode.
mode_t modeFor(const QByteArray& target, mode_t mode) {
    struct stat status {};
    if (::stat(target.constData(), &status) == 0 && S_ISREG(status.st_mode)) {
        return status.st_mode & 07777;
    }
    return mode;
}

} // namespace

void ReplacementFile::write(const QString& target, const QByteArray& bytes, SystemCalls& calls,
                            mode_t mode) {
    ReplacementFile file(target, calls, modeFor(QFile::encodeName(target), mode));
    file.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    file.commit();
}

ReplacementFile::ReplacementFile(const QString& target, SystemCalls& calls, mode_t mode)
    : target_(target), targetName_(QFile::encodeName(target)), calls_(calls) {
    createTemporary(mode);
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) {
        discard();
    }
}

void ReplacementFile::createTemporary(mode_t mode) {
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        temporaryName_ = temporaryNameBeside(targetName_);
        fd_ =
            calls_.open(temporaryName_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    // A missing name here is the target's folder.
    const int failure = errno == ENOENT ? ENOTDIR : errno;
    temporaryName_.clear();
    throw systemError(failure, QStringLiteral("Cannot create a file beside"), target_);
}

void ReplacementFile::append(const void* data, std::size_t size) {
    flushed_ = false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = calls_.write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw systemError(errno, QStringLiteral("Cannot write"), target_);
        }
        if (written == 0) {
            throw systemError(ENOSPC, QStringLiteral("Cannot write"), target_);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        appended_ += written;
    }
}

// Advisory: a failure here shows again, and is raised, when the file is flushed.
void ReplacementFile::startWriteback() {
    if (appended_ > writebackStarted_) {
        calls_.startWriteback(fd_, writebackStarted_, appended_ - writebackStarted_);
        writebackStarted_ = appended_;
    }
}

void ReplacementFile::overwrite(const void* data, std::size_t size, off_t offset) {
    flushed_ = false;
    const ssize_t written = calls_.pwrite(fd_, data, size, offset);
    if (written != static_cast<ssize_t>(size)) {
        throw systemError(written < 0 ? errno : EIO, QStringLiteral("Cannot write"), target_);
    }
}

void ReplacementFile::flush() {
    if (calls_.fsync(fd_) != 0) {
        throw systemError(errno, QStringLiteral("Cannot flush"), target_);
    }
    flushed_ = true;
}

void ReplacementFile::commit() {
    if (!flushed_) {
        flush();
    }
    const int fd = fd_;
    fd_ = -1;
    if (calls_.close(fd) != 0) {
        throw systemError(errno, QStringLiteral("Cannot close"), target_);
    }
    if (calls_.rename(temporaryName_.constData(), targetName_.constData()) != 0) {
        throw systemError(errno, QStringLiteral("Cannot put in place"), target_);
    }
    committed_ = true;
    flushFolder();
}

// Makes the rename itself durable. Folders on file systems that cannot flush them
// (EINVAL) are accepted as they are.
void ReplacementFile::flushFolder() {
    const QByteArray folder = folderOf(targetName_);
    const int fd = calls_.open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        throw systemError(errno, QStringLiteral("Cannot open the folder of"), target_);
    }
    const int result = calls_.fsync(fd);
    const int failure = errno;
    calls_.close(fd);
    if (result != 0 && failure != EINVAL) {
        throw systemError(failure, QStringLiteral("Cannot flush the folder of"), target_);
    }
}

void ReplacementFile::discard() {
    if (fd_ >= 0) {
        calls_.close(fd_);
        fd_ = -1;
    }
    if (!temporaryName_.isEmpty()) {
        calls_.unlink(temporaryName_.constData());
    }
}

} // namespace tavor
