#pragma once

#include <QString>
#include <chrono>

namespace tavor {

// Servers that have just let a login run into its time-out. Start-up logs in twice
// to the same server back to back (the bank library, then the window); a server
// that did not answer the first login is not waited for a second time, so an
// unanswered server costs one login time-out, not two.
class UnansweredServers {
public:
    using Clock = std::chrono::steady_clock;

    // The server counts as unanswered for `period` from now.
    static void remember(const QString& server, Clock::duration period);
    // True while the server is within such a period.
    static bool isUnanswered(const QString& server);
};

} // namespace tavor
