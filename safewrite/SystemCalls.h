#pragma once

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>

namespace tavor {

// The file calls made by the writers of cabinets and copies, the record and the
// check of a stick, behind one seam so that tests can make any of them fail and
// another system can give its own. They take POSIX's shape: each returns what the
// system call returns and leaves errno set on failure. Calls may come from several
// threads.
class SystemCalls {
public:
    virtual ~SystemCalls() = default;

    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual int close(int fd) = 0;
    virtual int fstat(int fd, struct stat* status) = 0;
    virtual ssize_t pread(int fd, void* buffer, size_t count, off_t offset) = 0;
    virtual ssize_t write(int fd, const void* buffer, size_t count) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) = 0;
    virtual int futimens(int fd, const struct timespec times[2]) = 0;
    // Starts writing a range of a file to disk without waiting (sync_file_range).
    virtual int startWriteback(int fd, off_t offset, off_t count) = 0;
    // Writes a range of a file to disk and waits until it is there (sync_file_range),
    // so that its cached pages can be dropped.
    virtual int writeOut(int fd, off_t offset, off_t count) = 0;
    virtual int fsync(int fd) = 0;
    // Drops the cached pages of a range of a file (count 0: to its end), so that the
    // next read comes from the medium (posix_fadvise DONTNEED; returns its error
    // number, 0 on success).
    virtual int dropCache(int fd, off_t offset = 0, off_t count = 0) = 0;
    // The file system holding path: its type and free space.
    virtual int statfs(const char* path, struct statfs* info) = 0;
    virtual int rename(const char* from, const char* to) = 0;
    virtual int unlink(const char* path) = 0;
    virtual int flock(int fd, int operation) = 0;

    // The calls as the host makes them (posix/PosixSystemCalls on Linux).
    static SystemCalls& host();
};

} // namespace tavor
