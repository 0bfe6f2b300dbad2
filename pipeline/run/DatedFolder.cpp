#include "pipeline/run/DatedFolder.h"

#include "pipeline/BranchNames.h"
#include "platform/bank/BankDate.h"

#include <QDate>

namespace tavor {

namespace {

const QString FolderPrefix = QStringLiteral("Tavor_");
const QString DateFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

QString DatedFolder::backupFolder(const QString& mountPoint) {
    return BranchNames::FixPath(mountPoint) + QStringLiteral("Tavor_Backup");
}

QString DatedFolder::on(const QString& mountPoint, const QString& previousBusinessDate) {
    const QDate date = BankDate::parse(previousBusinessDate);
    if (!date.isValid())
        return {};
    return BranchNames::FixPath(backupFolder(mountPoint) + QLatin1Char('/') + FolderPrefix +
                                date.toString(DateFormat));
}

QDate DatedFolder::dateOf(const QString& folderName) {
    if (!folderName.startsWith(FolderPrefix))
        return {};
    const QString text = folderName.mid(FolderPrefix.size());
    const QDate date = QDate::fromString(text, DateFormat);
    return date.isValid() && date.toString(DateFormat) == text ? date : QDate();
}

} // namespace tavor
