#pragma once

#include <QString>
#include <QtGlobal>

namespace tavor {

// An old dated folder removed to make room for a run: its name and the bytes its
// files held.
struct RemovedFolder {
    QString name;
    qint64 bytes = 0;
};

} // namespace tavor
