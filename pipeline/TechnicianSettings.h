#pragma once

#include "platform/registry/RegistryStore.h"

#include <QStringList>
#include <optional>

namespace tavor {

// The technician's settings of the backup on this workstation, values under
// RegistryKeys::Technician, each read here and nowhere else. A yes/no value is a
// number (0 off, any other on) or true/false, yes/no, on/off in any case; absent
// or blank is its default (off; on for the pruning of old folders). Any other text
// is named by unreadable() and read as the safe side: the encryption policy on, safe
// removal and pruning off.
class TechnicianSettings {
public:
    static const QString ServerCertificate;
    static const QString RequireEncryptedTarget;
    static const QString EjectAfterRun;
    static const QString MetricsFolder;
    static const QString PruneOldestWhenFull;
    static const QString KeepDatedFolders;
    // How many dated folders before tonight's are kept when none is named.
    static constexpr int KeptFoldersByDefault = 2;
    static const QString DrillFolder;

    explicit TechnicianSettings(const RegistryStore* registry) : registry_(registry) {}

    // The server certificate that encrypts the backups of current servers; empty
    // when none is named.
    QString serverCertificate() const;
    // A removable target must be an encrypted volume.
    bool requireEncryptedTarget() const;
    // After a run that ticked every row onto a removable drive, the drive is
    // unmounted and powered off.
    bool ejectAfterRun() const;
    // The folder of the metrics file; empty when none is named.
    QString metricsFolder() const;
    // When a run will not fit on the stick, the oldest dated folders make room.
    bool pruneOldestWhenFull() const;
    // The newest dated folders before tonight's that are never removed: a whole
    // number of at least 1; anything else is named and read as the default.
    int keepDatedFolders() const;
    // The folder a restore drill unpacks backups into and restores them in, as the
    // server sees it (the server reads and writes there); empty when none is named.
    QString drillFolder() const;

    // One line for each value that is none of the accepted forms, saying how it is
    // read.
    QStringList unreadable() const;

private:
    // A yes/no value: what it is when absent, and its safe side when unreadable.
    struct Switch {
        const QString& name;
        bool absent;
        bool safeSide;
    };
    static const Switch Switches[];

    QString text(const QString& name) const;
    // The value read as yes or no; empty when it is none of the accepted forms.
    std::optional<bool> parsed(const QString& name) const;
    bool isOn(const QString& name) const;
    // The number of folders to keep as written; empty when absent or not one.
    std::optional<int> keptFolders() const;

    const RegistryStore* registry_;
};

} // namespace tavor
