#pragma once

namespace tavor {

// What the program's exit status says; scripts and the service manager act on it.
enum class ExitStatus : int {
    // Every row of the run got a tick (or the command found nothing wrong).
    Complete = 0,
    // A row failed, a stop signal cut the run short, or its manifest was not kept.
    Failed = 1,
    // No run took place: no drive, the drive gone before the first row, start-up failed.
    NoRun = 2,
};

constexpr int exitCode(ExitStatus status) {
    return static_cast<int>(status);
}

} // namespace tavor
