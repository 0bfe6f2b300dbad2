#include "safewrite/posix/PosixSystemCalls.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavor {

int PosixSystemCalls::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int PosixSystemCalls::close(int fd) {
    return ::close(fd);
}

int PosixSystemCalls::fstat(int fd, struct stat* status) {
    return ::fstat(fd, status);
}

ssize_t PosixSystemCalls::pread(int fd, void* buffer, size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t PosixSystemCalls::write(int fd, const void* buffer, size_t count) {
    return ::write(fd, buffer, count);
}

ssize_t PosixSystemCalls::pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

int PosixSystemCalls::futimens(int fd, const struct timespec times[2]) {
    return ::futimens(fd, times);
}

int PosixSystemCalls::startWriteback(int fd, off_t offset, off_t count) {
    return ::sync_file_range(fd, offset, count, SYNC_FILE_RANGE_WRITE);
}

int PosixSystemCalls::writeOut(int fd, off_t offset, off_t count) {
    return ::sync_file_range(fd, offset, count,
                             SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                 SYNC_FILE_RANGE_WAIT_AFTER);
}

int PosixSystemCalls::fsync(int fd) {
    return ::fsync(fd);
}

int PosixSystemCalls::dropCache(int fd, off_t offset, off_t count) {
    return ::posix_fadvise(fd, offset, count, POSIX_FADV_DONTNEED);
}

int PosixSystemCalls::statfs(const char* path, struct statfs* info) {
    return ::statfs(path, info);
}

int PosixSystemCalls::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

int PosixSystemCalls::unlink(const char* path) {
    return ::unlink(path);
}

int PosixSystemCalls::flock(int fd, int operation) {
    return ::flock(fd, operation);
}

SystemCalls& SystemCalls::host() {
    static PosixSystemCalls calls;
    return calls;
}

} // namespace tavor
