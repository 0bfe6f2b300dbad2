#include "platform/files/LinuxFileServices.h"

#include "platform/files/ElfFileVersion.h"
#include "platform/files/ReplacementFile.h"
#include "platform/files/SourceFile.h"
#include "platform/files/SystemError.h"
#include "platform/files/WildcardPattern.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
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

void LinuxFileServices::makeFolder(const QString& path) {
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
        return;
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
        S_ISDIR(status.st_mode))
        return;
    throw systemError(error, QStringLiteral("Cannot create the folder"), path);
}

void LinuxFileServices::removeFile(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        throw systemError(errno, QStringLiteral("Cannot delete"), path);
}

void LinuxFileServices::writeFile(const QString& path, const QByteArray& data) {
    ReplacementFile file(path, calls_);
    file.append(data.constData(), std::size_t(data.size()));
    file.commit();
}

} // namespace tavor
