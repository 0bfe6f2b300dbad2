#pragma once

#include "pipeline/record/RunHistory.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tavor {

// The record's latest state in the text format that a Prometheus node exporter's
// textfile collector reads: one gauge family each, with its help and type, every
// sample labelled with the branch.
class RunMetrics {
public:
    static constexpr const char* FileName = "tavor_backup.prom";

    // targetFree: the free bytes of the drive the last run wrote to, when known.
    static QByteArray text(const RunHistory& history, const QString& branch,
                           std::optional<qint64> targetFree = std::nullopt);
    // A label value with its backslashes, quotes and line breaks escaped.
    static QByteArray labelValue(const QString& value);
};

} // namespace tavor
