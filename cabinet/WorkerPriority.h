#pragma once

namespace tavor {

// Puts the calling worker thread behind the thread that keeps the window answering:
// a few steps nicer, within this program's own share of the processor (the kernel
// groups a session's threads), so that the window's events are not kept waiting
// for the packing on a busy machine. Where that is refused the thread stays as it is.
void lowerWorkerPriority();

} // namespace tavor
