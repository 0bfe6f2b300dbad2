#pragma once

#include "pipeline/RowOutcome.h"

#include <QList>
#include <QString>

namespace tavor {

// The lines an unattended run writes for whoever reads its log: one per row of
// the data-set list, then a summary.
class RunReport {
public:
    static QString rowLine(const RowOutcome& outcome, int index, int count);
    static QString summaryLine(const QList<RowOutcome>& outcomes, double seconds);
    // 0 when every row got a tick, 1 when any failed; 2 when no row ran or the
    // chosen drive was gone before the first.
    static int exitStatus(const QList<RowOutcome>& outcomes);
};

} // namespace tavor
