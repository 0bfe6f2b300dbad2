#include "pipeline/record/RunMetrics.h"

#include <QJsonArray>
#include <utility>

namespace tavor {

namespace {

struct Sample {
    QList<std::pair<QByteArray, QString>> labels;
    QByteArray value;
};

class MetricsText {
public:
    explicit MetricsText(QString branch) : branch_(std::move(branch)) {}

    void family(const QByteArray& name, const QByteArray& help, const QList<Sample>& samples) {
        if (samples.isEmpty())
            return;
        text_ += "# HELP " + name + ' ' + help + "\n# TYPE " + name + " gauge\n";
        for (const Sample& sample : samples) {
            text_ += name + "{branch=\"" + RunMetrics::labelValue(branch_) + '"';
            for (const auto& [label, value] : sample.labels)
                text_ += ',' + label + "=\"" + RunMetrics::labelValue(value) + '"';
            text_ += "} " + sample.value + '\n';
        }
    }
    const QByteArray& text() const { return text_; }

private:
    QString branch_;
    QByteArray text_;
};

QByteArray seconds(const QDateTime& time) {
    return QByteArray::number(time.toSecsSinceEpoch());
}

QList<Sample> one(const QByteArray& value) {
    return {Sample{{}, value}};
}

// The last restore drill: when it ended and how.
QByteArray drillText(const RunHistory& history, const QString& branch) {
    const QJsonObject drill = history.lastDrill();
    if (drill.isEmpty())
        return {};
    MetricsText metrics(branch);
    metrics.family("tavor_backup_last_drill_timestamp_seconds",
                   "When the last restore drill ended.", one(seconds(RunHistory::ended(drill))));
    metrics.family("tavor_backup_last_drill_exit_status",
                   "Exit status of the last restore drill: 0 every server backup restored and "
                   "checked clean, 1 one failed, 2 no drill.",
                   one(QByteArray::number(drill.value(QStringLiteral("exit_status")).toInt())));
    return metrics.text();
}

} // namespace

QByteArray RunMetrics::text(const RunHistory& history, const QString& branch,
                            std::optional<qint64> targetFree) {
    MetricsText metrics(branch);
    const QJsonObject last = history.lastRun();
    if (last.isEmpty())
        return drillText(history, branch);
    const QJsonArray rows = last.value(QStringLiteral("rows")).toArray();
    qint64 failed = 0;
    qint64 written = 0;
    for (const QJsonValue& row : rows) {
        if (row[QStringLiteral("outcome")].toString() != QLatin1String("ok"))
            ++failed;
        written += std::max<qint64>(0, qint64(row[QStringLiteral("written")].toDouble()));
    }
    const QDateTime started =
        QDateTime::fromString(last.value(QStringLiteral("started")).toString(), Qt::ISODate);
    const QDateTime ended = RunHistory::ended(last);

    metrics.family("tavor_backup_last_run_timestamp_seconds", "When the last run ended.",
                   one(seconds(ended)));
    metrics.family("tavor_backup_last_run_exit_status",
                   "Exit status of the last run: 0 every row ticked, 1 a row failed, 2 no run.",
                   one(QByteArray::number(last.value(QStringLiteral("exit_status")).toInt())));
    metrics.family("tavor_backup_last_run_rows_failed", "Rows of the last run that failed.",
                   one(QByteArray::number(failed)));
    metrics.family("tavor_backup_last_run_written_bytes", "Bytes the last run left on the drive.",
                   one(QByteArray::number(written)));
    metrics.family(
        "tavor_backup_last_run_duration_seconds", "How long the last run took.",
        one(QByteArray::number(last.value(QStringLiteral("seconds")).toDouble(), 'f', 3)));
    metrics.family(
        "tavor_backup_last_run_removed_folders",
        "Old dated folders the last run removed to make room on the drive.",
        one(QByteArray::number(last.value(QStringLiteral("removed_folders")).toArray().size())));
    if (targetFree)
        metrics.family("tavor_backup_target_free_bytes",
                       "Bytes free on the drive the last run wrote to, after the run.",
                       one(QByteArray::number(*targetFree)));
    if (const QDateTime success = history.lastSuccess(); success.isValid())
        metrics.family("tavor_backup_last_success_timestamp_seconds",
                       "When the last run in which every row got its tick ended.",
                       one(seconds(success)));

    QList<Sample> kindTimes;
    QList<Sample> kindSizes;
    const QMap<QString, RunHistory::KindSuccess> kinds = history.lastSuccessByKind();
    for (auto kind = kinds.cbegin(); kind != kinds.cend(); ++kind) {
        kindTimes.append({{{"kind", kind.key()}}, seconds(kind->ended)});
        if (kind->size >= 0)
            kindSizes.append({{{"kind", kind.key()}}, QByteArray::number(kind->size)});
    }
    metrics.family("tavor_backup_kind_last_success_timestamp_seconds",
                   "When the last run that ticked the data set ended.", kindTimes);
    metrics.family("tavor_backup_kind_last_success_size_bytes",
                   "Size of the data set's file in the last run that ticked it.", kindSizes);

    QList<Sample> copies;
    const QMap<QString, QDateTime> complete = history.lastCompleteCopies();
    for (auto copy = complete.cbegin(); copy != complete.cend(); ++copy)
        copies.append({{{"filesystem_uuid", copy.key()}}, seconds(*copy)});
    metrics.family("tavor_backup_last_complete_copy_timestamp_seconds",
                   "When the last complete run onto the removable volume ended.", copies);
    return metrics.text() + drillText(history, branch);
}

QByteArray RunMetrics::labelValue(const QString& value) {
    QByteArray escaped;
    for (const char c : value.toUtf8()) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace tavor
