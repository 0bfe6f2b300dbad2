#pragma once

#include <QJsonObject>
#include <QString>

namespace tavor {

class WindowModel;
struct MainState;

// The JSON snapshot of the window that unattended runs and black-box tests read,
// taken from the window's model and state.
class StateDump {
public:
    static QJsonObject snapshot(const WindowModel& window, const MainState& state);
    // Replaces the file atomically; a failure is ignored (the dump is diagnostic).
    static void write(const WindowModel& window, const MainState& state, const QString& path);
};

} // namespace tavor
