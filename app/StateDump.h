#pragma once

#include <QJsonObject>
#include <QString>

namespace tavor {

class frmBackup;

// The JSON snapshot of the window that unattended runs and black-box tests read.
class StateDump {
public:
    static QJsonObject snapshot(const frmBackup& window);
    // Replaces the file atomically; a failure is ignored (the dump is diagnostic).
    static void write(const frmBackup& window, const QString& path);
};

} // namespace tavor
