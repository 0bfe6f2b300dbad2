#pragma once

#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/Sha256Digest.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tavor {

// A file just written, opened again for reading with its cached pages flushed and
// dropped first, so that what is read comes from the medium and not from memory.
// Only a regular file is read, never a link in its place, and opening never waits.
// Failures raise tavor::Error naming target, the file's final name.
class ReadBackFile {
public:
    ReadBackFile(const QByteArray& path, const QString& target, SystemCalls& calls);
    ~ReadBackFile();

    ReadBackFile(const ReadBackFile&) = delete;
    ReadBackFile& operator=(const ReadBackFile&) = delete;

    std::int64_t size() const { return size_; }
    const QString& target() const { return target_; }

    // Reads up to size bytes at offset; fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t size, std::int64_t offset);

    // The checksum of the whole file, read in bounded pieces, ticking idle after each.
    ContentChecksum checksum(IdleTicker& idle);

    // The SHA-256 of the file as read from the medium, lower-case hex. Reads that
    // came in order from the start are counted as they happened; only what no read
    // reached yet is read now, in bounded pieces, ticking idle after each.
    QByteArray sha256(IdleTicker& idle);

private:
    // Adds to the digest what a read brought beyond the bytes digested so far.
    void digest(const char* bytes, std::size_t size, std::int64_t offset);

    QString target_;
    SystemCalls& calls_;
    int fd_ = -1;
    std::int64_t size_ = 0;
    Sha256Digest digest_;
    std::int64_t digested_ = 0;
};

} // namespace tavor
