#pragma once

#include "safewrite/SystemCalls.h"

namespace tavor {

// The file calls as a POSIX system makes them.
class PosixSystemCalls : public SystemCalls {
public:
    int open(const char* path, int flags, mode_t mode) override;
    int close(int fd) override;
    int fstat(int fd, struct stat* status) override;
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override;
    ssize_t write(int fd, const void* buffer, size_t count) override;
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override;
    int futimens(int fd, const struct timespec times[2]) override;
    int startWriteback(int fd, off_t offset, off_t count) override;
    int writeOut(int fd, off_t offset, off_t count) override;
    int fsync(int fd) override;
    int dropCache(int fd, off_t offset = 0, off_t count = 0) override;
    int statfs(const char* path, struct statfs* info) override;
    int rename(const char* from, const char* to) override;
    int unlink(const char* path) override;
    int flock(int fd, int operation) override;
};

} // namespace tavor
