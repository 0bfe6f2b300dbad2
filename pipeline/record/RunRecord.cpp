#include "pipeline/record/RunRecord.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tavor {

namespace {

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue sizeOrNull(qint64 size) {
    return size < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(double(size));
}

} // namespace

QJsonObject RunRecord::toJson() const {
    QJsonObject json{
        {QStringLiteral("started"), timestamp(started)},
        {QStringLiteral("ended"), timestamp(ended)},
        {QStringLiteral("seconds"), started.isValid() && ended.isValid()
                                        ? std::max<qint64>(0, started.msecsTo(ended)) / 1000.0
                                        : 0.0},
        {QStringLiteral("program_version"), programVersion},
        {QStringLiteral("bank"), shown(bank)},
        {QStringLiteral("branch"), shown(branch)},
        {QStringLiteral("branch_number"), shown(branchNumber)},
        {QStringLiteral("database"), shown(database)},
        {QStringLiteral("server"), shown(server)},
        {QStringLiteral("server_version"), textOrNull(serverVersion)},
        {QStringLiteral("mode"),
         unattended ? QStringLiteral("unattended") : QStringLiteral("window")},
        {QStringLiteral("folder"), textOrNull(shown(folder))},
        {QStringLiteral("exit_status"), exitStatus},
        {QStringLiteral("reason"), textOrNull(shown(reason))},
    };
    if (drive) {
        QJsonObject driveJson{{QStringLiteral("mount"), shown(drive->mount)},
                              {QStringLiteral("removable"), drive->removable},
                              {QStringLiteral("encrypted"), drive->encrypted}};
        if (!drive->filesystemUuid.isEmpty())
            driveJson.insert(QStringLiteral("filesystem_uuid"), drive->filesystemUuid);
        json.insert(QStringLiteral("drive"), driveJson);
    } else {
        json.insert(QStringLiteral("drive"), QJsonValue::Null);
    }
    QJsonArray rowsJson;
    for (const RecordedRow& row : rows)
        rowsJson.append(rowJson(row));
    json.insert(QStringLiteral("rows"), rowsJson);
    if (!removedFolders.isEmpty()) {
        QJsonArray removed;
        for (const RemovedFolder& folder : removedFolders)
            removed.append(QJsonObject{{QStringLiteral("name"), folder.name},
                                       {QStringLiteral("bytes"), double(folder.bytes)}});
        json.insert(QStringLiteral("removed_folders"), removed);
    }
    return json;
}

QJsonObject RunRecord::rowJson(const RecordedRow& row) const {
    const RowOutcome& outcome = row.outcome;
    QJsonObject json{
        {QStringLiteral("kind"), kindName(outcome.kind)},
        {QStringLiteral("text"), shown(outcome.text)},
        {QStringLiteral("source"), shown(outcome.source)},
        {QStringLiteral("target"), textOrNull(shown(outcome.target))},
        {QStringLiteral("size"), sizeOrNull(outcome.size)},
        {QStringLiteral("written"), sizeOrNull(row.written)},
        {QStringLiteral("sha256"), textOrNull(outcome.sha256)},
        {QStringLiteral("outcome"),
         outcome.succeeded ? QStringLiteral("ok") : QStringLiteral("failed")},
        {QStringLiteral("reason"), textOrNull(shown(outcome.reason))},
        {QStringLiteral("seconds"), outcome.seconds},
    };
    if (isServerBackup(outcome.kind))
        json.insert(QStringLiteral("protection"), textOrNull(outcome.protection));
    return json;
}

QByteArray RunRecord::line() const {
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

QString RunRecord::shown(const QString& text) const {
    QString result = text;
    for (const QString& secret : hidden) {
        if (!secret.isEmpty())
            result.replace(secret, QStringLiteral("***"));
    }
    return result;
}

QString RunRecord::timestamp(const QDateTime& time) {
    if (!time.isValid())
        return {};
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString RunRecord::kindName(DataSet kind) {
    switch (kind) {
    case DataSet::Main:
        return QStringLiteral("main");
    case DataSet::GeneralAccounts:
        return QStringLiteral("general_accounts");
    case DataSet::LettersOfCredit:
        return QStringLiteral("letters_of_credit");
    case DataSet::History:
        return QStringLiteral("history");
    case DataSet::Signatures:
        return QStringLiteral("signatures");
    }
    return {};
}

bool RunRecord::isServerBackup(DataSet kind) {
    return kind == DataSet::LettersOfCredit || kind == DataSet::History ||
           kind == DataSet::Signatures;
}

} // namespace tavor
