#pragma once

#include "cabinet/CabinetStreamCheck.h"
#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavor {

// Reads a cabinet back from the medium while it is still being written, on a thread
// of its own: each stretch the writer has appended is written out, its cached pages
// dropped, read again and checked (CabinetStreamCheck: every block's checksum, every
// block unpacked by a decoder that shares no code with the encoders). Once the
// cabinet is complete, the rest is read back the same way, then its first page
// again, where the header was completed last, and the whole checked against what
// was packed. Memory stays bounded whatever the size of the cabinet.
class ConcurrentReadBack {
public:
    // Opens the file at path (to take the name target) for reading back.
    ConcurrentReadBack(const QByteArray& path, const QString& target, SystemCalls& calls);
    ~ConcurrentReadBack();

    ConcurrentReadBack(const ConcurrentReadBack&) = delete;
    ConcurrentReadBack& operator=(const ConcurrentReadBack&) = delete;

    // The writer has appended the file up to end. Waits, ticking idle, while more
    // than a few stretches are not yet on the medium, so that a slow medium holds
    // the packing back instead of filling the memory with pages to write (and the
    // packing can tell). Raises what reading back found wrong so far, so that a bad
    // medium ends the packing early.
    void written(std::int64_t end, IdleTicker& idle);

    // The bytes unpacked so far; from any thread.
    std::int64_t unpacked() const { return unpacked_.load(std::memory_order_relaxed); }

    // Once the file is complete and flushed: checks the rest and the whole, the one
    // file named entryName holding expected, and returns the SHA-256 of the cabinet
    // as it was read back (lower-case hex). The caller's thread ticks idle and calls
    // meanwhile while it waits. Raises tavor::Error naming the target.
    QByteArray finish(const QByteArray& entryName, const ContentChecksum& expected,
                      IdleTicker& idle, const std::function<void()>& meanwhile);

private:
    void run();
    void raiseKept();
    bool nextStretch(std::int64_t from, std::int64_t& to, bool& last);
    void readBack(std::int64_t from, std::int64_t to, bool last);
    bool writeOut(std::int64_t from, off_t count);
    std::size_t readAt(std::uint8_t* buffer, std::size_t size, std::int64_t offset);
    QByteArray checkWhole(std::int64_t fileSize);
    QString entryProblem(const QByteArray& records) const;
    QByteArray digestFromMedium(const QByteArray& firstPage, std::int64_t size);

    QString target_;
    SystemCalls& calls_;
    int fd_ = -1;
    CabinetStreamCheck check_;
    std::vector<std::uint8_t> buffer_;
    // The first page as read while the header was still incomplete.
    QByteArray firstPage_;
    std::atomic<std::int64_t> unpacked_ = 0;
    std::atomic<bool> failed_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t written_ = 0;
    std::int64_t writtenOut_ = 0;
    bool complete_ = false;
    bool stopping_ = false;
    bool done_ = false;
    QByteArray entryName_;
    ContentChecksum expected_;
    QByteArray digest_;
    std::exception_ptr kept_;
    std::thread thread_;
};

} // namespace tavor
