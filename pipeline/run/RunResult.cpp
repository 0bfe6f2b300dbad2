#include "pipeline/run/RunResult.h"

#include <algorithm>

namespace tavor {

bool RunResult::everyRowTicked() const {
    return !rows.isEmpty() && std::all_of(rows.cbegin(), rows.cend(),
                                          [](const RowOutcome& row) { return row.succeeded; });
}

ExitStatus RunResult::statusOf(const QList<RowOutcome>& rows, const QString& interruption,
                               const Outcome& manifest) {
    if (!interruption.isEmpty())
        return ExitStatus::Failed;
    if (std::all_of(rows.cbegin(), rows.cend(),
                    [](const RowOutcome& row) { return row.driveMissing; }))
        return ExitStatus::NoRun;
    const bool allTicked = std::all_of(rows.cbegin(), rows.cend(),
                                       [](const RowOutcome& row) { return row.succeeded; });
    return allTicked && !manifest.failed() ? ExitStatus::Complete : ExitStatus::Failed;
}

} // namespace tavor
