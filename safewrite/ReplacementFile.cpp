#include "safewrite/ReplacementFile.h"

#include "safewrite/SystemError.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace tavor {

namespace {

// Leaves room in the folder entry for the prefix and suffix of the temporary name.
constexpr qsizetype MaxNameBytesInTemporary = 200;
constexpr int CreateAttempts = 16;
// A random 64-bit number in base 36 takes at most 13 digits.
constexpr qsizetype TagLength = 13;
constexpr char TemporarySuffix[] = ".tmp";

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
    const QByteArray tag = QByteArray::number(QRandomGenerator::global()->generate64(), 36)
                               .rightJustified(TagLength, '0');
    return folder + '.' + name + '.' + tag + TemporarySuffix;
}

bool isTagDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// A temporary file that no one holds is the remains of a write that never ended:
// its writer held the lock until it died. Links, pipes and files that cannot be
// opened are not what this program leaves, and stay.
void removeIfAbandoned(const QByteArray& path, SystemCalls& calls) {
    const int fd = calls.open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    struct stat status {};
    const bool regular = calls.fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const bool held = calls.flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (regular && !held) {
        calls.unlink(path.constData());
    }
    calls.close(fd);
}

} // namespace

bool ReplacementFile::isTemporaryName(const QByteArray& name) {
    const qsizetype suffix = qsizetype(sizeof TemporarySuffix) - 1;
    const qsizetype nameBytes = name.size() - 1 - 1 - TagLength - suffix;
    if (nameBytes < 1 || nameBytes > MaxNameBytesInTemporary || !name.startsWith('.') ||
        !name.endsWith(TemporarySuffix) || name[1 + nameBytes] != '.') {
        return false;
    }
    const QByteArray tag = name.mid(2 + nameBytes, TagLength);
    return std::all_of(tag.cbegin(), tag.cend(), isTagDigit);
}

// A link at target lends nothing: its own mode means nothing, and the file it leads
// to may be anyone's (a set-user-ID program). Nor is a set-ID bit carried over.
mode_t ReplacementFile::keptMode(const QString& target, mode_t mode) {
    struct stat status {};
    if (::lstat(QFile::encodeName(target).constData(), &status) == 0 && S_ISREG(status.st_mode)) {
        return status.st_mode & 0777;
    }
    return mode;
}

void ReplacementFile::write(const QString& target, const QByteArray& bytes, SystemCalls& calls,
                            mode_t mode) {
    writeWithMode(target, bytes, calls, keptMode(target, mode));
}

void ReplacementFile::writeWithMode(const QString& target, const QByteArray& bytes,
                                    SystemCalls& calls, mode_t mode) {
    ReplacementFile file(target, calls, mode);
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

void ReplacementFile::removeAbandoned(const QString& folder, SystemCalls& calls) {
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (dir == nullptr) {
        throw systemError(errno, QStringLiteral("Cannot read the folder"), folder);
    }
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTemporaryName(entry->d_name)) {
            names << QByteArray(entry->d_name);
        }
    }
    ::closedir(dir);
    const QByteArray prefix = path.endsWith('/') ? path : path + '/';
    for (const QByteArray& name : names) {
        removeIfAbandoned(prefix + name, calls);
    }
}

void ReplacementFile::createTemporary(mode_t mode) {
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        temporaryName_ = temporaryNameBeside(targetName_);
        fd_ =
            calls_.open(temporaryName_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            if (lockTemporary()) {
                return;
            }
            // A clean-up locked the new file first, took it for abandoned and removes it.
            calls_.close(fd_);
            fd_ = -1;
            continue;
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

// Where the file system cannot lock, the file goes unlocked; a clean-up then
// cannot tell it from an abandoned one.
bool ReplacementFile::lockTemporary() {
    return calls_.flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
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
