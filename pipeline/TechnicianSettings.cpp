#include "pipeline/TechnicianSettings.h"

#include "base/BlankTrim.h"
#include "platform/registry/RegistryKeys.h"

namespace tavor {

const QString TechnicianSettings::ServerCertificate = QStringLiteral("ServerCertificate");
const QString TechnicianSettings::RequireEncryptedTarget = QStringLiteral("RequireEncryptedTarget");
const QString TechnicianSettings::EjectAfterRun = QStringLiteral("EjectAfterRun");
const QString TechnicianSettings::MetricsFolder = QStringLiteral("MetricsFolder");
const QString TechnicianSettings::PruneOldestWhenFull = QStringLiteral("PruneOldestWhenFull");
const QString TechnicianSettings::KeepDatedFolders = QStringLiteral("KeepDatedFolders");
const QString TechnicianSettings::DrillFolder = QStringLiteral("DrillFolder");

const TechnicianSettings::Switch TechnicianSettings::Switches[] = {
    {RequireEncryptedTarget, false, true},
    {EjectAfterRun, false, false},
    {PruneOldestWhenFull, true, false},
};

namespace {

// The words a yes/no value may be written as, besides a number.
std::optional<bool> fromWord(const QString& word) {
    static const struct {
        const char* word;
        bool on;
    } words[] = {{"true", true},   {"yes", true}, {"on", true},
                 {"false", false}, {"no", false}, {"off", false}};
    for (const auto& [text, on] : words) {
        if (word.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return on;
    }
    return std::nullopt;
}

} // namespace

QString TechnicianSettings::serverCertificate() const {
    return text(ServerCertificate).trimmed();
}

bool TechnicianSettings::requireEncryptedTarget() const {
    return isOn(RequireEncryptedTarget);
}

bool TechnicianSettings::ejectAfterRun() const {
    return isOn(EjectAfterRun);
}

QString TechnicianSettings::metricsFolder() const {
    return text(MetricsFolder).trimmed();
}

bool TechnicianSettings::pruneOldestWhenFull() const {
    return isOn(PruneOldestWhenFull);
}

int TechnicianSettings::keepDatedFolders() const {
    return keptFolders().value_or(KeptFoldersByDefault);
}

std::optional<int> TechnicianSettings::keptFolders() const {
    bool isNumber = false;
    const int number = BlankTrim::trim(text(KeepDatedFolders)).toInt(&isNumber);
    if (!isNumber || number < 1)
        return std::nullopt;
    return number;
}

QString TechnicianSettings::drillFolder() const {
    return text(DrillFolder).trimmed();
}

QStringList TechnicianSettings::unreadable() const {
    QStringList lines;
    for (const Switch& setting : Switches) {
        const QString value = BlankTrim::trim(text(setting.name));
        if (value.isEmpty() || parsed(setting.name))
            continue;
        lines << QStringLiteral("%1=\"%2\" under %3 is neither a number nor yes/no, true/false, "
                                "on/off; it is read as %4")
                     .arg(setting.name, value, RegistryKeys::Technician,
                          setting.safeSide ? QStringLiteral("on") : QStringLiteral("off"));
    }
    if (const QString kept = BlankTrim::trim(text(KeepDatedFolders));
        !kept.isEmpty() && !keptFolders())
        lines << QStringLiteral("%1=\"%2\" under %3 is not a whole number of at least 1; %4 "
                                "dated folders are kept")
                     .arg(KeepDatedFolders, kept, RegistryKeys::Technician)
                     .arg(KeptFoldersByDefault);
    return lines;
}

QString TechnicianSettings::text(const QString& name) const {
    if (!registry_)
        return {};
    return registry_->value(RegistryKeys::Technician, name).value_or(QString());
}

std::optional<bool> TechnicianSettings::parsed(const QString& name) const {
    const QString value = BlankTrim::trim(text(name));
    bool isNumber = false;
    const qlonglong number = value.toLongLong(&isNumber);
    if (isNumber)
        return number != 0;
    return fromWord(value);
}

bool TechnicianSettings::isOn(const QString& name) const {
    for (const Switch& setting : Switches) {
        if (setting.name != name)
            continue;
        if (BlankTrim::trim(text(name)).isEmpty())
            return setting.absent;
        return parsed(name).value_or(setting.safeSide);
    }
    return false;
}

} // namespace tavor
