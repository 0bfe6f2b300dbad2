#include "platform/record/linux/RunRecordFile.h"

#include "base/Error.h"
#include "safewrite/RegularFile.h"
#include "safewrite/SystemError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace tavor {

namespace {

constexpr std::size_t PieceBytes = 64 * 1024;

int flagsFor(RunRecordFile::Access access) {
    return access == RunRecordFile::Access::Read ? O_RDONLY | O_CLOEXEC
                                                 : O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC;
}

} // namespace

RunRecordFile::RunRecordFile(const QString& path, Access access, SystemCalls& calls)
    : path_(path), calls_(calls) {
    struct stat status {};
    fd_ = openRegularFile(calls_, QFile::encodeName(path), flagsFor(access), 0600,
                          QStringLiteral("open the record"), path_, status);
    size_ = status.st_size;
}

RunRecordFile::~RunRecordFile() {
    calls_.close(fd_);
}

std::size_t RunRecordFile::readAt(char* buffer, std::size_t size, std::int64_t offset) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = calls_.pread(fd_, buffer + done, size - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw systemError(errno, QStringLiteral("read the record"), path_);
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

QByteArray RunRecordFile::readAll() const {
    QByteArray text(qsizetype(size_), Qt::Uninitialized);
    text.truncate(qsizetype(readAt(text.data(), std::size_t(size_), 0)));
    return text;
}

bool RunRecordFile::endsInsideALine() const {
    char last = '\n';
    return size_ > 0 && readAt(&last, 1, size_ - 1) == 1 && last != '\n';
}

// Read backwards from the end, a piece at a time, only as far as the cap's lines go.
std::optional<std::int64_t> RunRecordFile::newestLinesAtCap(int cap, int kept) const {
    std::vector<char> piece(PieceBytes);
    int counted = 0;
    std::int64_t keptFrom = size_;
    bool inLine = false;
    const auto lineStartsAt = [&](std::int64_t start) {
        inLine = false;
        if (++counted == kept)
            keptFrom = start;
        return counted == cap;
    };
    for (std::int64_t end = size_; end > 0;) {
        const std::int64_t start = std::max<std::int64_t>(0, end - std::int64_t(PieceBytes));
        if (readAt(piece.data(), std::size_t(end - start), start) != std::size_t(end - start))
            throw Error(ErrorNumber::DeviceIOError,
                        QStringLiteral("'%1' changed while it was being read").arg(path_));
        for (std::int64_t at = end - 1; at >= start; --at) {
            if (piece[std::size_t(at - start)] != '\n')
                inLine = true;
            else if (inLine && lineStartsAt(at + 1))
                return keptFrom;
        }
        end = start;
    }
    if (inLine && lineStartsAt(0))
        return keptFrom;
    return std::nullopt;
}

void RunRecordFile::copyLinesFrom(std::int64_t offset, ReplacementFile& file) const {
    std::vector<char> piece(PieceBytes);
    char previous = '\n';
    for (std::int64_t at = offset; at < size_;) {
        const std::size_t got =
            readAt(piece.data(), std::size_t(std::min<std::int64_t>(PieceBytes, size_ - at)), at);
        if (got == 0)
            break;
        at += std::int64_t(got);
        std::size_t taken = 0;
        for (std::size_t i = 0; i < got; ++i) {
            if (piece[i] == '\n' && previous == '\n')
                continue;
            previous = piece[i];
            piece[taken++] = previous;
        }
        file.append(piece.data(), taken);
    }
    if (previous != '\n')
        file.append("\n", 1);
}

void RunRecordFile::appendSynced(const QByteArray& bytes) {
    qsizetype written = 0;
    int error = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t n =
            calls_.write(fd_, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && calls_.fsync(fd_) != 0)
        error = errno;
    if (error != 0)
        throw systemError(error, QStringLiteral("append to the record"), path_);
}

} // namespace tavor
