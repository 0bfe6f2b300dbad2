#include "platform/process/linux/LinuxStopSignals.h"

#include <atomic>
#include <cstring>

namespace tavor {

namespace {

std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may touch only lock-free atomics");

void recordSignal(int number) {
    int none = 0;
    receivedSignal.compare_exchange_strong(none, number);
}

} // namespace

void LinuxStopSignals::hold() {
    receivedSignal = 0;
    struct sigaction recording = {};
    recording.sa_handler = recordSignal;
    sigfillset(&recording.sa_mask);
    // Calls under way go on: the run notices the record at its next idle call.
    recording.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Held.size(); ++i) {
        sigaction(Held[i], nullptr, &earlier_[i]);
        installed_[i] = earlier_[i].sa_handler != SIG_IGN;
        if (installed_[i])
            sigaction(Held[i], &recording, nullptr);
    }
}

void LinuxStopSignals::release() {
    for (std::size_t i = 0; i < Held.size(); ++i) {
        if (installed_[i])
            sigaction(Held[i], &earlier_[i], nullptr);
        installed_[i] = false;
    }
}

QString LinuxStopSignals::received() const {
    const int number = receivedSignal.load();
    if (number == 0)
        return {};
    return QStringLiteral("SIG") + QString::fromLatin1(sigabbrev_np(number));
}

} // namespace tavor
