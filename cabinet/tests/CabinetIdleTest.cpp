#include "base/Error.h"
#include "cabinet/CabinetWriter.h"
#include "safewrite/posix/PosixSystemCalls.h"
#include "support/CabinetReadBack.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace tavor;
using namespace tavor::test;
using namespace std::chrono_literals;

namespace {

// Counts the system calls the writer's own thread makes between two idle calls,
// and holds every fsync until the idle handler has run a few times meanwhile:
// an fsync made on the writer's thread would wait for idle calls that cannot come.
class IdleWatchingCalls : public PosixSystemCalls {
public:
    static constexpr int IdleCallsPerFsync = 3;

    explicit IdleWatchingCalls(std::thread::id caller) : caller_(caller) {}

    void idle() {
        {
            std::lock_guard lock(mutex_);
            ++idleCalls_;
            mostCallsBetweenIdle_ = std::max(mostCallsBetweenIdle_, callsSinceIdle_);
            callsSinceIdle_ = 0;
        }
        idled_.notify_all();
    }

    int mostCallsBetweenIdle() const { return mostCallsBetweenIdle_; }
    int fsyncsHeldWithoutIdle() const { return fsyncsHeldWithoutIdle_; }
    int fsyncs() const { return fsyncs_; }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        countCall();
        return PosixSystemCalls::pread(fd, buffer, count, offset);
    }
    ssize_t write(int fd, const void* buffer, size_t count) override {
        countCall();
        return PosixSystemCalls::write(fd, buffer, count);
    }
    int startWriteback(int fd, off_t offset, off_t count) override {
        countCall();
        return PosixSystemCalls::startWriteback(fd, offset, count);
    }
    int fsync(int fd) override {
        countCall();
        std::unique_lock lock(mutex_);
        ++fsyncs_;
        const int wanted = idleCalls_ + IdleCallsPerFsync;
        // The limit only keeps a broken writer from hanging the test.
        if (!idled_.wait_for(lock, 30s, [&] { return idleCalls_ >= wanted; })) {
            ++fsyncsHeldWithoutIdle_;
        }
        lock.unlock();
        return PosixSystemCalls::fsync(fd);
    }

private:
    void countCall() {
        if (std::this_thread::get_id() == caller_) {
            std::lock_guard lock(mutex_);
            ++callsSinceIdle_;
        }
    }

    const std::thread::id caller_;
    std::mutex mutex_;
    std::condition_variable idled_;
    int idleCalls_ = 0;
    int callsSinceIdle_ = 0;
    int mostCallsBetweenIdle_ = 0;
    int fsyncs_ = 0;
    int fsyncsHeldWithoutIdle_ = 0;
};

class CabinetIdleTest : public testing::Test {
protected:
    QString cabinet() const { return dir_.filePath(QStringLiteral("BR_SG.cab")); }
    QString source() const { return dir_.filePath(QStringLiteral("BR_SG.bak")); }

    // Every tick calls the handler, so gaps are counted in work, not time.
    static CabinetWriterOptions everyTick() {
        CabinetWriterOptions options;
        options.threads = 2;
        options.idleInterval = IdleTicker::Clock::duration::zero();
        return options;
    }

    QTemporaryDir dir_;
};

} // namespace

// Guards against a window left without events for a whole percent or a whole
// flush: the handler must run in packing and in reading back, never more than a
// couple of system calls apart on the writer's thread, and every flush must run
// aside while it goes on running.
TEST_F(CabinetIdleTest, IdleHandlerRunsThroughPackingFlushesAndReadingBack) {
    // 12 MiB: more writes than one writeback step, 384 blocks.
    const QByteArray contents = randomBytes(12 * 1024 * 1024, 21);
    writeFile(source(), contents);
    IdleWatchingCalls calls(std::this_thread::get_id());
    int lastPercent = 0;
    bool idleWhilePacking = false;
    bool idleWhileReadingBack = false;
    CabinetWriter(calls, everyTick())
        .write(
            cabinet(), source(), QStringLiteral("BR_SG.bak"),
            [&](int percent) { lastPercent = percent; },
            [&] {
                calls.idle();
                idleWhilePacking |= lastPercent > 0 && lastPercent < 80;
                idleWhileReadingBack |= lastPercent > 80 && lastPercent < 99;
            });
    EXPECT_TRUE(idleWhilePacking);
    EXPECT_TRUE(idleWhileReadingBack);
    EXPECT_LE(calls.mostCallsBetweenIdle(), 3);
    EXPECT_GE(calls.fsyncs(), 2);
    EXPECT_EQ(calls.fsyncsHeldWithoutIdle(), 0);
    const QString back = dir_.filePath(QStringLiteral("back"));
    EXPECT_TRUE(readWithMspack(cabinet(), back).error.isEmpty());
    EXPECT_TRUE(readFile(back) == contents);
}

// Guards against a handler's error leaving a flush running on a file already
// discarded, or a half-made cabinet under the target's name.
TEST_F(CabinetIdleTest, ErrorOfTheIdleHandlerStopsTheCabinetAndLeavesNothing) {
    writeFile(source(), randomBytes(2 * 1024 * 1024, 22));
    for (const int failingCall : {5, 200}) {
        int idleCalls = 0;
        try {
            CabinetWriter(SystemCalls::host(), everyTick())
                .write(cabinet(), source(), QStringLiteral("BR_SG.bak"), {}, [&] {
                    if (++idleCalls == failingCall) {
                        throw Error(ErrorNumber::DeviceIOError, QStringLiteral("window gone"));
                    }
                });
            ADD_FAILURE() << "no error raised at idle call " << failingCall;
        } catch (const Error& e) {
            EXPECT_EQ(e.description(), QStringLiteral("window gone"));
        }
        EXPECT_EQ(folderEntries(dir_.path()), QStringList{QStringLiteral("BR_SG.bak")});
    }
}
