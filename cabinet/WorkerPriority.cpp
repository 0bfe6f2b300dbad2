#include "cabinet/WorkerPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tavor {

namespace {

constexpr int WorkerNiceness = 5;

} // namespace

void lowerWorkerPriority() {
    // On Linux the priority of a thread id is that one thread's alone.
    const id_t thread = id_t(::gettid());
    ::setpriority(PRIO_PROCESS, thread, ::getpriority(PRIO_PROCESS, thread) + WorkerNiceness);
}

} // namespace tavor
