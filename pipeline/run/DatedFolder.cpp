#include "pipeline/run/DatedFolder.h"

#include "pipeline/BranchNames.h"
#include "platform/bank/BankDate.h"

#include <QDate>

namespace tavor {

QString DatedFolder::backupFolder(const QString& mountPoint) {
    return BranchNames::FixPath(mountPoint) + QStringLiteral("Tavor_Backup");
}

QString DatedFolder::on(const QString& mountPoint, const QString& previousBusinessDate) {
    const QDate date = BankDate::parse(previousBusinessDate);
    if (!date.isValid())
        return {};
    return BranchNames::FixPath(backupFolder(mountPoint) + QStringLiteral("/Tavor_") +
                                date.toString(QStringLiteral("yyyy-MM-dd")));
}

} // namespace tavor
