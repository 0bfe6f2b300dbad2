#pragma once

#include "base/Error.h"
#include "safewrite/SystemCalls.h"

#include <QString>
#include <cstdint>
#include <ctime>

namespace tavor {

// A regular file opened for reading, with the size and modification time it had
// when opened, so that a reader can tell whether it changed while being read.
// Anything else (a FIFO, a device, a folder) is refused without waiting.
// Failures raise tavor::Error.
class SourceFile {
public:
    SourceFile(const QString& path, SystemCalls& calls);
    ~SourceFile();

    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    int fd() const { return fd_; }
    const QString& path() const { return path_; }
    std::int64_t size() const { return size_; }
    const timespec& modified() const { return modified_; }
    mode_t permissions() const { return permissions_; }

    // Raises an error when the file's size or modification time is no longer what
    // it was when opened.
    void checkUnchanged() const;
    // The error for a file that changed while it was read.
    Error changedError() const;

private:
    QString path_;
    SystemCalls& calls_;
    int fd_ = -1;
    std::int64_t size_ = 0;
    timespec modified_{};
    mode_t permissions_ = 0;
};

} // namespace tavor
