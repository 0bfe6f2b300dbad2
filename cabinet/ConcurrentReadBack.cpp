#include "cabinet/ConcurrentReadBack.h"

#include "base/Error.h"
#include "cabinet/CabinetFormat.h"
#include "cabinet/WorkerPriority.h"
#include "safewrite/RegularFile.h"
#include "safewrite/Sha256Digest.h"
#include "safewrite/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

namespace tavor {

namespace {

// The writer's stretches are read back once this much has come; whole pages only,
// as the page that is still being filled cannot be dropped.
constexpr std::int64_t StretchBytes = std::int64_t(4) << 20;
constexpr std::int64_t PageBytes = 4096;
// How far the writer may get ahead of what is on the medium.
constexpr std::int64_t MaxAheadBytes = 4 * StretchBytes;
constexpr std::size_t ReadBytes = std::size_t(128) << 10;
// Where the header keeps the cabinet's size, which is all the writer changes last.
constexpr qsizetype SizeField = 8;
constexpr qsizetype SizeFieldBytes = 4;
const QString ReadBackAction = QStringLiteral("Cannot read back");

Error readBackError(const QString& target, const QString& what) {
    return Error(ErrorNumber::DeviceIOError,
                 QStringLiteral("The cabinet '%1' read back from the disk %2").arg(target, what));
}

// The first page without the cabinet's size, the one field written after it was read.
QByteArray withoutSize(const QByteArray& page) {
    return page.left(SizeField) + page.mid(SizeField + SizeFieldBytes);
}

} // namespace

ConcurrentReadBack::ConcurrentReadBack(const QByteArray& path, const QString& target,
                                       SystemCalls& calls)
    : target_(target), calls_(calls), buffer_(ReadBytes) {
    struct stat status {};
    fd_ = openRegularFile(calls_, path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0, ReadBackAction,
                          target_, status);
    thread_ = std::thread([this] { run(); });
}

ConcurrentReadBack::~ConcurrentReadBack() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    calls_.close(fd_);
}

void ConcurrentReadBack::written(std::int64_t end, IdleTicker& idle) {
    {
        std::lock_guard lock(mutex_);
        written_ = end;
    }
    changed_.notify_all();
    const auto caughtUp = [&] { return failed_ || end - writtenOut_ <= MaxAheadBytes; };
    if (std::unique_lock lock(mutex_); !caughtUp()) {
        lock.unlock();
        idle.runAside([&] {
            std::unique_lock waiting(mutex_);
            changed_.wait(waiting, caughtUp);
        });
    }
    raiseKept();
}

void ConcurrentReadBack::raiseKept() {
    std::lock_guard lock(mutex_);
    if (kept_) {
        std::rethrow_exception(kept_);
    }
}

QByteArray ConcurrentReadBack::finish(const QByteArray& entryName, const ContentChecksum& expected,
                                      IdleTicker& idle, const std::function<void()>& meanwhile) {
    {
        std::lock_guard lock(mutex_);
        entryName_ = entryName;
        expected_ = expected;
        complete_ = true;
    }
    changed_.notify_all();
    idle.runAside(
        [&] {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return done_; });
        },
        meanwhile);
    raiseKept();
    return digest_;
}

void ConcurrentReadBack::run() {
    lowerWorkerPriority();
    try {
        std::int64_t from = 0;
        std::int64_t to = 0;
        bool last = false;
        while (nextStretch(from, to, last)) {
            readBack(from, to, last);
            from = to;
            if (last) {
                digest_ = checkWhole(to);
                break;
            }
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        kept_ = std::current_exception();
        failed_ = true;
    }
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
}

// Waits for the next stretch to read back: whole pages the writer is done with, or
// the rest of the file once it is complete. False when reading back is called off.
bool ConcurrentReadBack::nextStretch(std::int64_t from, std::int64_t& to, bool& last) {
    std::unique_lock lock(mutex_);
    const auto pagesWritten = [&] { return written_ / PageBytes * PageBytes; };
    changed_.wait(lock,
                  [&] { return stopping_ || complete_ || pagesWritten() - from >= StretchBytes; });
    if (stopping_) {
        return false;
    }
    last = complete_;
    to = pagesWritten();
    if (last) {
        struct stat status {};
        if (calls_.fstat(fd_, &status) != 0) {
            throw systemError(errno, ReadBackAction, target_);
        }
        to = status.st_size;
    }
    return true;
}

// Reads a stretch from the medium: written out and its cached pages dropped first
// (to the end of the file for the last, whose final page is only partly filled).
void ConcurrentReadBack::readBack(std::int64_t from, std::int64_t to, bool last) {
    const off_t count = off_t(to - from);
    if (count > 0 && !writeOut(from, count)) {
        throw systemError(errno, QStringLiteral("Cannot flush"), target_);
    }
    {
        std::lock_guard lock(mutex_);
        writtenOut_ = to;
    }
    changed_.notify_all();
    if (const int failure = calls_.dropCache(fd_, off_t(from), last ? 0 : count); failure != 0) {
        throw systemError(failure, QStringLiteral("Cannot drop the cached pages of"), target_);
    }
    for (std::int64_t offset = from; offset < to;) {
        const std::size_t wanted = std::size_t(std::min<std::int64_t>(ReadBytes, to - offset));
        const std::size_t got = readAt(buffer_.data(), wanted, offset);
        if (got != wanted) {
            throw readBackError(target_, QStringLiteral("ends before its size"));
        }
        if (firstPage_.isEmpty()) {
            firstPage_ = QByteArray(reinterpret_cast<const char*>(buffer_.data()),
                                    qsizetype(std::min<std::int64_t>(PageBytes, to)));
        }
        if (const QString problem = check_.take(buffer_.data(), got); !problem.isEmpty()) {
            throw readBackError(target_, problem);
        }
        unpacked_.store(check_.unpacked().length(), std::memory_order_relaxed);
        offset += std::int64_t(got);
    }
}

// A file system that cannot write out a range has the whole file flushed instead.
bool ConcurrentReadBack::writeOut(std::int64_t from, off_t count) {
    if (calls_.writeOut(fd_, off_t(from), count) == 0) {
        return true;
    }
    return (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) && calls_.fsync(fd_) == 0;
}

std::size_t ConcurrentReadBack::readAt(std::uint8_t* buffer, std::size_t size,
                                       std::int64_t offset) {
    return readFully(calls_, fd_, buffer, size, offset, target_);
}

// The first page is read from the medium again: the header is complete only now,
// and the blocks that share its page were written out again with it.
QByteArray ConcurrentReadBack::checkWhole(std::int64_t fileSize) {
    if (const int failure = calls_.dropCache(fd_, 0, off_t(PageBytes)); failure != 0) {
        throw systemError(failure, QStringLiteral("Cannot drop the cached pages of"), target_);
    }
    QByteArray page(qsizetype(std::min(PageBytes, fileSize)), Qt::Uninitialized);
    if (readAt(reinterpret_cast<std::uint8_t*>(page.data()), std::size_t(page.size()), 0) !=
        std::size_t(page.size())) {
        throw readBackError(target_, QStringLiteral("ends before its size"));
    }
    if (withoutSize(page) != withoutSize(firstPage_)) {
        throw readBackError(target_, QStringLiteral("reads back differently the second time"));
    }
    const QByteArray records = page.left(qsizetype(check_.dataStart()));
    QString problem = check_.finish(records, fileSize);
    if (problem.isEmpty()) {
        problem = entryProblem(records);
    }
    if (!problem.isEmpty()) {
        throw readBackError(target_, problem);
    }
    return digestFromMedium(page, fileSize);
}

// The one file the records name, against what was packed.
QString ConcurrentReadBack::entryProblem(const QByteArray& records) const {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(records.constData());
    const qsizetype entry = qsizetype(cabinet::load32(bytes + 16));
    const QByteArray name = QByteArray(records.constData() + entry + cabinet::FileRecordSize);
    if (name != entryName_) {
        return QStringLiteral("names its file '%1' instead of '%2'")
            .arg(QString::fromUtf8(name), QString::fromUtf8(entryName_));
    }
    if (check_.unpacked() != expected_) {
        return QStringLiteral("unpacks to %1; the source packed was %2")
            .arg(check_.unpacked().describe(), expected_.describe());
    }
    return {};
}

// The digest of the bytes just read back: the first page as read last, the rest as
// the cache keeps it from reading it back (what the kernel let go comes from the
// medium again).
QByteArray ConcurrentReadBack::digestFromMedium(const QByteArray& firstPage, std::int64_t size) {
    Sha256Digest digest;
    digest.add(firstPage.constData(), std::size_t(firstPage.size()));
    for (std::int64_t offset = firstPage.size(); offset < size;) {
        const std::size_t wanted = std::size_t(std::min<std::int64_t>(ReadBytes, size - offset));
        if (readAt(buffer_.data(), wanted, offset) != wanted) {
            throw readBackError(target_, QStringLiteral("ends before its size"));
        }
        digest.add(buffer_.data(), wanted);
        offset += std::int64_t(wanted);
    }
    return digest.hex();
}

} // namespace tavor
