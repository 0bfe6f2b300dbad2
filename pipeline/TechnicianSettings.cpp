#include "pipeline/TechnicianSettings.h"

#include "base/BlankTrim.h"
#include "platform/registry/RegistryKeys.h"

namespace tavor {

bool TechnicianSettings::requireEncryptedTarget() const {
    return isOn(QStringLiteral("RequireEncryptedTarget"));
}

bool TechnicianSettings::ejectAfterRun() const {
    return isOn(QStringLiteral("EjectAfterRun"));
}

bool TechnicianSettings::isOn(const QString& name) const {
    if (!registry_)
        return false;
    const std::optional<QString> value = registry_->value(RegistryKeys::Technician, name);
    bool isNumber = false;
    const qlonglong number = value ? BlankTrim::trim(*value).toLongLong(&isNumber) : 0;
    return isNumber && number != 0;
}

} // namespace tavor
