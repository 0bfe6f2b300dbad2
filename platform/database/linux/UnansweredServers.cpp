#include "platform/database/linux/UnansweredServers.h"

#include <QHash>
#include <mutex>

namespace tavor {

namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

QHash<QString, UnansweredServers::Clock::time_point>& until() {
    static QHash<QString, UnansweredServers::Clock::time_point> servers;
    return servers;
}

QString keyOf(const QString& server) {
    return server.trimmed().toCaseFolded();
}

} // namespace

void UnansweredServers::remember(const QString& server, Clock::duration period) {
    std::lock_guard lock(guard());
    until().insert(keyOf(server), Clock::now() + period);
}

bool UnansweredServers::isUnanswered(const QString& server) {
    std::lock_guard lock(guard());
    const auto found = until().constFind(keyOf(server));
    return found != until().constEnd() && Clock::now() < *found;
}

} // namespace tavor
