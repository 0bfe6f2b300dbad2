#include "pipeline/run/RoomBeforeWriting.h"

#include <algorithm>
#include <cmath>

namespace tavor {

qint64 RoomBeforeWriting::needed(const QList<Row>& rows, const QMap<QString, double>& ratios) {
    qint64 total = 0;
    for (const Row& row : rows) {
        const qint64 size = std::max<qint64>(0, row.size);
        const auto ratio = ratios.constFind(row.kind);
        total += row.plain || ratio == ratios.cend() ? size : qint64(std::ceil(size * *ratio));
    }
    return total + std::max(total * MarginPercent / 100, MinimumMargin);
}

QMap<QString, double> RoomBeforeWriting::ratios(const RunHistory& history) {
    QMap<QString, double> ratios;
    const QMap<QString, RunHistory::KindSuccess> kinds = history.lastSuccessByKind();
    for (auto kind = kinds.cbegin(); kind != kinds.cend(); ++kind) {
        if (kind->size > 0 && kind->written >= 0)
            ratios.insert(kind.key(), double(kind->written) / double(kind->size));
    }
    return ratios;
}

} // namespace tavor
