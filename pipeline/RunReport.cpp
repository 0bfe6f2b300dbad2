#include "pipeline/RunReport.h"

#include <algorithm>

namespace tavor {

QString RunReport::rowLine(const RowOutcome& outcome, int index, int count) {
    const QString size =
        outcome.size < 0 ? QStringLiteral("unknown") : QString::number(outcome.size);
    QString line = QStringLiteral("row %1/%2 \"%3\" source=%4 target=%5 size=%6 ")
                       .arg(index)
                       .arg(count)
                       .arg(outcome.text, outcome.source,
                            outcome.target.isEmpty() ? QStringLiteral("-") : outcome.target, size);
    line += outcome.succeeded ? QStringLiteral("ok") : QStringLiteral("FAILED: ") + outcome.reason;
    return line + QStringLiteral(" %1 s").arg(outcome.seconds, 0, 'f', 2);
}

QString RunReport::summaryLine(const QList<RowOutcome>& outcomes, double seconds) {
    const auto ticked = std::count_if(outcomes.cbegin(), outcomes.cend(),
                                      [](const RowOutcome& o) { return o.succeeded; });
    return QStringLiteral("run ended: %1 rows, %2 ticked, %3 failed, %4 s")
        .arg(outcomes.size())
        .arg(ticked)
        .arg(outcomes.size() - ticked)
        .arg(seconds, 0, 'f', 2);
}

int RunReport::exitStatus(const QList<RowOutcome>& outcomes) {
    const bool noneTried = std::all_of(outcomes.cbegin(), outcomes.cend(),
                                       [](const RowOutcome& o) { return o.driveMissing; });
    if (noneTried)
        return 2;
    const bool allTicked = std::all_of(outcomes.cbegin(), outcomes.cend(),
                                       [](const RowOutcome& o) { return o.succeeded; });
    return allTicked ? 0 : 1;
}

} // namespace tavor
