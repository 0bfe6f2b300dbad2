#pragma once

#include "safewrite/posix/PosixSystemCalls.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace tavor::test {

// System calls that fail on demand: the chosen call fails with the chosen errno once
// it has succeeded a given number of times; every other call goes to the host.
// They can also corrupt what a written file reads back as, and report a file
// system of another type or free space.
class FaultySystemCalls : public PosixSystemCalls {
public:
    enum class Call { Pread, Write, Pwrite, Futimens, Fsync, Rename };

    void failOn(Call call, int errorCode, int successesFirst = 0) {
        std::lock_guard lock(mutex_);
        faults_[call] = {errorCode, successesFirst};
    }

    int timesFailed() const { return failed_; }
    // How often the cache of a file being read back was dropped.
    int readBackCacheDrops() const { return readBackCacheDrops_; }
    // How many reads of a file being read back reached bytes whose cached pages had
    // not been dropped before: those may have come from memory, not the medium.
    int readBackFromCache() const { return readBackFromCache_; }

    // Reads of a file under its temporary name (written, not yet in place) get the
    // byte at offset inverted, as a medium that lost it would give it back.
    void corruptReadBackAt(off_t offset) {
        std::lock_guard lock(mutex_);
        corruptAt_ = offset;
    }

    // Every write stores at most this many bytes and reports the short count, as a
    // write interrupted by a signal does.
    void limitWritesTo(size_t bytes) { writeLimit_ = bytes; }

    // statfs reports this file system type and free space.
    void reportFileSystem(long type, std::int64_t freeBytes) {
        std::lock_guard lock(mutex_);
        fileSystem_ = {type, freeBytes};
    }

    int open(const char* path, int flags, mode_t mode) override {
        const int fd = PosixSystemCalls::open(path, flags, mode);
        const std::size_t length = std::strlen(path);
        if (fd >= 0 && (flags & O_ACCMODE) == O_RDONLY && length > 4 &&
            std::strcmp(path + length - 4, ".tmp") == 0) {
            std::lock_guard lock(mutex_);
            readingBack_.insert(fd);
        }
        return fd;
    }
    int close(int fd) override {
        {
            std::lock_guard lock(mutex_);
            readingBack_.erase(fd);
            dropped_.erase(fd);
        }
        return PosixSystemCalls::close(fd);
    }
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        if (shouldFail(Call::Pread)) {
            return -1;
        }
        const ssize_t got = PosixSystemCalls::pread(fd, buffer, count, offset);
        std::lock_guard lock(mutex_);
        if (got > 0 && readingBack_.count(fd) != 0 && !wasDropped(fd, offset, offset + got)) {
            ++readBackFromCache_;
        }
        if (got > 0 && corruptAt_ && readingBack_.count(fd) != 0 && *corruptAt_ >= offset &&
            *corruptAt_ < offset + got) {
            static_cast<unsigned char*>(buffer)[*corruptAt_ - offset] ^= 0xff;
        }
        return got;
    }
    int dropCache(int fd, off_t offset, off_t count) override {
        {
            std::lock_guard lock(mutex_);
            readBackCacheDrops_ += int(readingBack_.count(fd));
            dropped_[fd].emplace_back(offset, count == 0 ? OffsetMax : offset + count);
        }
        return PosixSystemCalls::dropCache(fd, offset, count);
    }
    int statfs(const char* path, struct statfs* info) override {
        const int result = PosixSystemCalls::statfs(path, info);
        std::lock_guard lock(mutex_);
        if (result == 0 && fileSystem_) {
            info->f_type = fileSystem_->type;
            info->f_frsize = 1;
            info->f_bavail = fsblkcnt_t(fileSystem_->freeBytes);
        }
        return result;
    }
    ssize_t write(int fd, const void* buffer, size_t count) override {
        if (shouldFail(Call::Write))
            return -1;
        const size_t limit = writeLimit_;
        return PosixSystemCalls::write(fd, buffer, limit > 0 && count > limit ? limit : count);
    }
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override {
        return shouldFail(Call::Pwrite) ? -1 : PosixSystemCalls::pwrite(fd, buffer, count, offset);
    }
    int futimens(int fd, const struct timespec times[2]) override {
        return shouldFail(Call::Futimens) ? -1 : PosixSystemCalls::futimens(fd, times);
    }
    int fsync(int fd) override {
        return shouldFail(Call::Fsync) ? -1 : PosixSystemCalls::fsync(fd);
    }
    int rename(const char* from, const char* to) override {
        return shouldFail(Call::Rename) ? -1 : PosixSystemCalls::rename(from, to);
    }

private:
    struct Fault {
        int errorCode = 0;
        int successesLeft = 0;
    };

    bool shouldFail(Call call) {
        std::lock_guard lock(mutex_);
        const auto found = faults_.find(call);
        if (found == faults_.end()) {
            return false;
        }
        if (found->second.successesLeft > 0) {
            --found->second.successesLeft;
            return false;
        }
        ++failed_;
        errno = found->second.errorCode;
        return true;
    }

    static constexpr off_t OffsetMax = std::numeric_limits<off_t>::max();

    // Whether the drops of fd's cache cover every byte from begin to end.
    bool wasDropped(int fd, off_t begin, off_t end) {
        std::vector<std::pair<off_t, off_t>> ranges = dropped_[fd];
        std::sort(ranges.begin(), ranges.end());
        for (const auto& [from, to] : ranges) {
            if (from <= begin && to > begin) {
                begin = to;
            }
        }
        return begin >= end;
    }

    struct FileSystem {
        long type = 0;
        std::int64_t freeBytes = 0;
    };

    std::mutex mutex_;
    std::map<Call, Fault> faults_;
    std::optional<off_t> corruptAt_;
    std::set<int> readingBack_;
    std::map<int, std::vector<std::pair<off_t, off_t>>> dropped_;
    std::optional<FileSystem> fileSystem_;
    std::atomic<int> failed_ = 0;
    std::atomic<int> readBackCacheDrops_ = 0;
    std::atomic<int> readBackFromCache_ = 0;
    std::atomic<size_t> writeLimit_ = 0;
};

} // namespace tavor::test
