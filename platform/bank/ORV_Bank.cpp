#include "platform/bank/ORV_Bank.h"

#include "base/Error.h"
#include "platform/bank/BankDate.h"

namespace tavor {

ORV_Bank::ORV_Bank(std::shared_ptr<DatabaseProvider> provider,
                   std::shared_ptr<RegistryStore> registry)
    : system_(std::move(provider), std::move(registry)) {}

QVariant ORV_Bank::Business_Date() {
    const QString text = system_.SystemValue_Get(QStringLiteral("Sys_BusinessDate")).toString();
    const QDate date = BankDate::parse(text);
    if (!date.isValid()) {
        throw Error(
            13, QStringLiteral("Type mismatch: the business date '%1' is not a date.").arg(text));
    }
    return date;
}

} // namespace tavor
