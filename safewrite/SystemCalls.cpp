#include "safewrite/SystemCalls.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavor {

int SystemCalls::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int SystemCalls::close(int fd) {
    return ::close(fd);
}

int SystemCalls::fstat(int fd, struct stat* status) {
    return ::fstat(fd, status);
}

ssize_t SystemCalls::pread(int fd, void* buffer, size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t SystemCalls::write(int fd, const void* buffer, size_t count) {
    return ::write(fd, buffer, count);
}

ssize_t SystemCalls::pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

int SystemCalls::futimens(int fd, const struct timespec times[2]) {
    return ::futimens(fd, times);
}

int SystemCalls::startWriteback(int fd, off_t offset, off_t count) {
    return ::sync_file_range(fd, offset, count, SYNC_FILE_RANGE_WRITE);
}

int SystemCalls::writeOut(int fd, off_t offset, off_t count) {
    return ::sync_file_range(fd, offset, count,
                             SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                 SYNC_FILE_RANGE_WAIT_AFTER);
}

int SystemCalls::fsync(int fd) {
    return ::fsync(fd);
}

int SystemCalls::dropCache(int fd, off_t offset, off_t count) {
    return ::posix_fadvise(fd, offset, count, POSIX_FADV_DONTNEED);
}

int SystemCalls::statfs(const char* path, struct statfs* info) {
    return ::statfs(path, info);
}

int SystemCalls::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

int SystemCalls::unlink(const char* path) {
    return ::unlink(path);
}

int SystemCalls::flock(int fd, int operation) {
    return ::flock(fd, operation);
}

SystemCalls& SystemCalls::host() {
    static SystemCalls calls;
    return calls;
}

} // namespace tavor
