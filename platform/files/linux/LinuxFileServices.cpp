#include "platform/files/linux/LinuxFileServices.h"

#include "base/Error.h"
#include "formats/elf/ElfFileVersion.h"
#include "platform/files/WildcardPattern.h"
#include "safewrite/ReadBackFile.h"
#include "safewrite/ReplacementFile.h"
#include "safewrite/SourceFile.h"
#include "safewrite/SystemError.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavor {

namespace {

// Writeback of each chunk starts as soon as it is written, so that the disk works
// while the next chunk is copied and the final flush has little left to do.
constexpr std::int64_t WritebackChunkBytes = std::int64_t(64) << 20;
constexpr std::size_t CopyBufferBytes = std::size_t(1) << 20;
// FAT keeps a file's size in 32 bits.
constexpr std::int64_t FatFileLimit = std::int64_t(1) << 32;

QString bytes(std::int64_t count) {
    return QLocale::c().toString(count);
}

// A name ending in a slash is resolved through a link: "link/" is the folder it leads to.
QByteArray entryName(const QString& path) {
    QByteArray name = QFile::encodeName(path);
    while (name.size() > 1 && name.endsWith('/'))
        name.chop(1);
    return name;
}

QString inside(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A folder opened by descriptor, never through a link, closed however its use ends.
class OpenFolder {
public:
    OpenFolder(int at, const QByteArray& name, const QString& shown)
        : fd_(::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd_ < 0)
            throw systemError(errno, QStringLiteral("Cannot open the folder"), shown);
    }
    ~OpenFolder() { ::close(fd_); }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    int fd() const { return fd_; }

    // Raises unless the folder lies on the volume of device.
    void checkDevice(quint64 device, const QString& shown) const {
        struct stat status {};
        if (::fstat(fd_, &status) != 0)
            throw systemError(errno, QStringLiteral("Cannot examine the folder"), shown);
        if (quint64(status.st_dev) != device)
            throw Error(ErrorNumber::PathNotFound,
                        QStringLiteral("'%1' lies on another volume than the drive").arg(shown));
    }

private:
    int fd_;
};

FolderEntry::Type entryType(mode_t mode) {
    if (S_ISREG(mode))
        return FolderEntry::Type::File;
    if (S_ISDIR(mode))
        return FolderEntry::Type::Folder;
    if (S_ISLNK(mode))
        return FolderEntry::Type::Link;
    return FolderEntry::Type::Other;
}

// A temporary that a write still holds locked is no abandoned one.
bool isHeldTemporary(int folder, const QByteArray& name) {
    if (!ReplacementFile::isTemporaryName(name))
        return false;
    const int fd =
        ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
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
    lastCopyDigest_.clear();
    const SourceFile input(source, calls_);
    refuseWhatCannotFit(input, target);
    ReplacementFile copy(target, calls_, input.permissions() & 0777);
    IdleTicker idle(idleHandler());
    const ContentChecksum expected = copyContents(input, copy, idle);
    input.checkUnchanged();
    checkCopiedSize(input, copy);
    const timespec times[2] = {{0, UTIME_OMIT}, input.modified()};
    if (calls_.futimens(copy.fd(), times) != 0) {
        throw systemError(errno, QStringLiteral("Cannot set the date of"), target);
    }
    idle.runAside([&] { copy.flush(); });
    const QString digest = verifyCopy(copy, expected, idle);
    idle.runAside([&] { copy.commit(); });
    lastCopyDigest_ = digest;
}

// An older file of the target's name stays until the copy is complete, so the
// whole size must be free. A folder that cannot be examined is left to the
// creation of the copy to report.
void LinuxFileServices::refuseWhatCannotFit(const SourceFile& source, const QString& target) {
    struct statfs info {};
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    if (calls_.statfs(folder.constData(), &info) != 0) {
        return;
    }
    if (info.f_type == MSDOS_SUPER_MAGIC && source.size() >= FatFileLimit) {
        throw Error(ErrorNumber::DiskFull,
                    QStringLiteral("'%1' has %2 bytes; the FAT file system of '%3' cannot hold a "
                                   "file of 4 GiB (%4 bytes) or more")
                        .arg(source.path(), bytes(source.size()), target, bytes(FatFileLimit)));
    }
    const std::int64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    const std::int64_t available = std::int64_t(info.f_bavail) * unit;
    if (source.size() > available) {
        throw Error(ErrorNumber::DiskFull,
                    QStringLiteral("'%1' has %2 bytes; the file system of '%3' has only %4 bytes "
                                   "free")
                        .arg(source.path(), bytes(source.size()), target, bytes(available)));
    }
}

ContentChecksum LinuxFileServices::copyContents(const SourceFile& source, ReplacementFile& copy,
                                                IdleTicker& idle) {
    std::vector<char> buffer(CopyBufferBytes);
    ContentChecksum sum;
    std::int64_t offset = 0;
    std::int64_t flushedUpTo = 0;
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
        sum.add(buffer.data(), static_cast<std::size_t>(got));
        offset += got;
        if (offset - flushedUpTo >= WritebackChunkBytes) {
            calls_.startWriteback(copy.fd(), flushedUpTo, offset - flushedUpTo);
            flushedUpTo = offset;
        }
        idle.tick();
    }
    return sum;
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

bool LinuxFileServices::isOrdinaryFile(const QString& path) const {
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    const QString name = path.section(QLatin1Char('/'), -1);
    return S_ISREG(status.st_mode) && !name.startsWith(QLatin1Char('.'));
}

QStringList LinuxFileServices::listFolder(const QString& folder, const QString& pattern) const {
    const QList<WildcardPattern> patterns = WildcardPattern::list(pattern);
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        throw systemError(errno, QStringLiteral("Cannot read the folder"), folder);
    QStringList names;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')))
            continue;
        const bool matches = std::any_of(patterns.cbegin(), patterns.cend(),
                                         [&](const WildcardPattern& p) { return p.matches(name); });
        if (matches && isOrdinaryFile(prefix + name))
            names << name;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

// Judged with the effective user's rights, as the files would be created.
bool LinuxFileServices::isWritableFolder(const QString& path) const {
    const QByteArray name = QFile::encodeName(path);
    return folderExists(path) &&
           ::faccessat(AT_FDCWD, name.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

void LinuxFileServices::makeFolder(const QString& path) {
    if (::mkdir(entryName(path).constData(), 0777) == 0)
        return;
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && ::lstat(entryName(path).constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return;
        if (S_ISLNK(status.st_mode))
            throw Error(ErrorNumber::PathNotFound,
                        QStringLiteral("'%1' is a link, not a folder").arg(path));
    }
    throw systemError(error, QStringLiteral("Cannot create the folder"), path);
}

std::optional<quint64> LinuxFileServices::deviceOf(const QString& path) const {
    struct stat status {};
    if (::lstat(entryName(path).constData(), &status) != 0 ||
        !(S_ISDIR(status.st_mode) || S_ISREG(status.st_mode)))
        return std::nullopt;
    return quint64(status.st_dev);
}

void LinuxFileServices::removeFile(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        throw systemError(errno, QStringLiteral("Cannot delete"), path);
}

QList<FolderEntry> LinuxFileServices::folderEntries(const QString& folder) const {
    const OpenFolder opened(AT_FDCWD, entryName(folder), folder);
    DIR* dir = ::fdopendir(::fcntl(opened.fd(), F_DUPFD_CLOEXEC, 0));
    if (dir == nullptr)
        throw systemError(errno, QStringLiteral("Cannot read the folder"), folder);
    QList<FolderEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        if (::fstatat(opened.fd(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const FolderEntry::Type type = entryType(status.st_mode);
        entries.append({QFile::decodeName(name), type,
                        type == FolderEntry::Type::File ? qint64(status.st_size) : 0});
    }
    ::closedir(dir);
    return entries;
}

std::optional<qint64> LinuxFileServices::freeBytes(const QString& path) const {
    struct statfs info {};
    if (calls_.statfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const std::int64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    return qint64(std::int64_t(info.f_bavail) * unit);
}

void LinuxFileServices::removeFolder(const QString& parent, const QString& name,
                                     const QStringList& files, quint64 device) {
    const QString shown = inside(parent, name);
    const OpenFolder above(AT_FDCWD, entryName(parent), parent);
    above.checkDevice(device, parent);
    const OpenFolder folder(above.fd(), QFile::encodeName(name), shown);
    folder.checkDevice(device, shown);
    for (const QString& file : files) {
        const QByteArray entry = QFile::encodeName(file);
        const QString path = inside(shown, file);
        struct stat status {};
        if (::fstatat(folder.fd(), entry.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            throw systemError(errno, QStringLiteral("Cannot examine"), path);
        }
        if (!S_ISREG(status.st_mode) || quint64(status.st_dev) != device)
            throw Error(ErrorNumber::PathNotFound,
                        QStringLiteral("'%1' is no longer a file of the drive").arg(path));
        if (isHeldTemporary(folder.fd(), entry))
            throw Error(ErrorNumber::PermissionDenied,
                        QStringLiteral("'%1' is held by a write that has not ended").arg(path));
        if (::unlinkat(folder.fd(), entry.constData(), 0) != 0 && errno != ENOENT)
            throw systemError(errno, QStringLiteral("Cannot delete"), path);
    }
    if (::unlinkat(above.fd(), QFile::encodeName(name).constData(), AT_REMOVEDIR) != 0)
        throw systemError(errno, QStringLiteral("Cannot remove the folder"), shown);
}

void LinuxFileServices::removeAbandonedTemporaries(const QString& folder) {
    ReplacementFile::removeAbandoned(folder, calls_);
}

void LinuxFileServices::writeFile(const QString& path, const QByteArray& data) {
    ReplacementFile::write(path, data, calls_);
}

QByteArray LinuxFileServices::readFile(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(ErrorNumber::FileNotFound,
                    QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()));
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()));
    }
    return contents;
}

QString LinuxFileServices::readBackDigest(const QString& path) {
    ReadBackFile file(QFile::encodeName(path), path, calls_);
    IdleTicker idle(idleHandler());
    return QString::fromLatin1(file.sha256(idle));
}

QString LinuxFileServices::verifyCopy(const ReplacementFile& copy, const ContentChecksum& expected,
                                      IdleTicker& idle) {
    // Opening flushes the copy and drops its cached pages, which can take a while.
    std::optional<ReadBackFile> file;
    idle.runAside([&] { file.emplace(copy.temporaryPath(), copy.target(), calls_); });
    const ContentChecksum found = file->checksum(idle);
    if (found != expected) {
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("The copy '%1' read back from the disk differs from its source: "
                                   "read %2, copied %3")
                        .arg(copy.target(), found.describe(), expected.describe()));
    }
    return QString::fromLatin1(file->sha256(idle));
}

} // namespace tavor
