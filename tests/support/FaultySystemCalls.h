#pragma once

#include "platform/files/SystemCalls.h"

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>

namespace tavor::test {

// System calls that fail on demand: the chosen call fails with the chosen errno once
// it has succeeded a given number of times; every other call goes to the host.
class FaultySystemCalls : public SystemCalls {
public:
    enum class Call { Pread, Write, Pwrite, CopyFileRange, Futimens, Fsync, Rename };

    void failOn(Call call, int errorCode, int successesFirst = 0) {
        std::lock_guard lock(mutex_);
        faults_[call] = {errorCode, successesFirst};
    }

    int timesFailed() const { return failed_; }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        return shouldFail(Call::Pread) ? -1 : SystemCalls::pread(fd, buffer, count, offset);
    }
    ssize_t write(int fd, const void* buffer, size_t count) override {
        return shouldFail(Call::Write) ? -1 : SystemCalls::write(fd, buffer, count);
    }
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override {
        return shouldFail(Call::Pwrite) ? -1 : SystemCalls::pwrite(fd, buffer, count, offset);
    }
    ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset,
                          size_t count) override {
        return shouldFail(Call::CopyFileRange)
                   ? -1
                   : SystemCalls::copyFileRange(in, inOffset, out, outOffset, count);
    }
    int futimens(int fd, const struct timespec times[2]) override {
        return shouldFail(Call::Futimens) ? -1 : SystemCalls::futimens(fd, times);
    }
    int fsync(int fd) override { return shouldFail(Call::Fsync) ? -1 : SystemCalls::fsync(fd); }
    int rename(const char* from, const char* to) override {
        return shouldFail(Call::Rename) ? -1 : SystemCalls::rename(from, to);
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

    std::mutex mutex_;
    std::map<Call, Fault> faults_;
    std::atomic<int> failed_ = 0;
};

} // namespace tavor::test
