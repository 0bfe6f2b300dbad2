#pragma once

#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tavor {

// A file just written, opened again for reading with its cached pages flushed and
// dropped first, so that what is read comes from the medium and not from memory.
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

private:
    QString target_;
    SystemCalls& calls_;
    int fd_ = -1;
    std::int64_t size_ = 0;
};

} // namespace tavor
