#pragma once

#include "pipeline/run/RemovedFolder.h"

#include <QList>
#include <QString>

namespace tavor {

// What became of the room a run needed on its stick before its first row.
struct PruningReport {
    // A dated folder left alone for what it holds besides the program's own files.
    struct LeftAlone {
        QString name;
        QString entry;
    };

    // The run did not fit and old folders were looked at to make room.
    bool pruned = false;
    // The run fits in the free space, with the removals done.
    bool fits = true;
    QList<RemovedFolder> removed;
    QList<LeftAlone> leftAlone;
    // Why a removal failed part-way and pruning stopped; empty when none failed.
    QString failure;
    // The dated folders before tonight's that are still on the stick.
    int kept = 0;
};

} // namespace tavor
