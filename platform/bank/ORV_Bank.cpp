#include "platform/bank/ORV_Bank.h"

#include "platform/Error.h"

#include <QDate>
#include <QDateTime>

namespace tavor {

namespace {

// Dates as the branch database keeps them: "yyyy-mm-dd" or "yyyy/mm/dd", maybe
// with a time of day.
QDate parseDate(const QString& text) {
    const QString day = text.trimmed().left(10);
    for (const QString& format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy/MM/dd")}) {
        const QDate date = QDate::fromString(day, format);
        if (date.isValid()) {
            return date;
        }
    }
    return {};
}

} // namespace

ORV_Bank::ORV_Bank(std::shared_ptr<DatabaseProvider> provider,
                   std::shared_ptr<RegistryStore> registry)
    : system_(std::move(provider), std::move(registry)) {}

QVariant ORV_Bank::Business_Date() {
    const QString text = system_.SystemValue_Get(QStringLiteral("Sys_BusinessDate")).toString();
    const QDate date = parseDate(text);
    if (!date.isValid()) {
        throw Error(
            13, QStringLiteral("Type mismatch: the business date '%1' is not a date.").arg(text));
    }
    return date;
}

} // namespace tavor
