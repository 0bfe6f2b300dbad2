#include "pipeline/record/RunHistory.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tavor {

RunHistory::RunHistory(const QList<QByteArray>& lines) {
    for (const QByteArray& line : lines) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject())
            continue;
        const bool drill =
            document.object().value(QStringLiteral("mode")) == QLatin1String("drill");
        (drill ? drills_ : runs_).append(document.object());
    }
}

QJsonObject RunHistory::lastDrill() const {
    return drills_.isEmpty() ? QJsonObject() : drills_.constLast();
}

QJsonObject RunHistory::lastRun() const {
    return runs_.isEmpty() ? QJsonObject() : runs_.constLast();
}

QDateTime RunHistory::ended(const QJsonObject& run) {
    return QDateTime::fromString(run.value(QStringLiteral("ended")).toString(), Qt::ISODate);
}

// Complete: rows were taken and every one got its tick.
bool RunHistory::complete(const QJsonObject& run) {
    return run.value(QStringLiteral("exit_status")).toInt(-1) == 0 &&
           !run.value(QStringLiteral("rows")).toArray().isEmpty();
}

QDateTime RunHistory::lastSuccess() const {
    for (auto run = runs_.crbegin(); run != runs_.crend(); ++run) {
        if (complete(*run))
            return ended(*run);
    }
    return {};
}

QMap<QString, QDateTime> RunHistory::lastCompleteCopies() const {
    QMap<QString, QDateTime> copies;
    for (const QJsonObject& run : runs_) {
        const QJsonObject drive = run.value(QStringLiteral("drive")).toObject();
        const QString uuid = drive.value(QStringLiteral("filesystem_uuid")).toString();
        if (!uuid.isEmpty() && drive.value(QStringLiteral("removable")).toBool() && complete(run))
            copies.insert(uuid, ended(run));
    }
    return copies;
}

QMap<QString, RunHistory::KindSuccess> RunHistory::lastSuccessByKind() const {
    QMap<QString, KindSuccess> kinds;
    for (const QJsonObject& run : runs_) {
        const QDateTime end = ended(run);
        for (const QJsonValue& row : run.value(QStringLiteral("rows")).toArray()) {
            if (row[QStringLiteral("outcome")].toString() != QLatin1String("ok"))
                continue;
            kinds.insert(row[QStringLiteral("kind")].toString(),
                         {end, qint64(row[QStringLiteral("size")].toDouble(-1)),
                          qint64(row[QStringLiteral("written")].toDouble(-1))});
        }
    }
    return kinds;
}

} // namespace tavor
