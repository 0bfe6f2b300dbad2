#pragma once

#include "platform/registry/RegistryStore.h"

namespace tavor {

// The technician's settings of the backup on this workstation, numbers under
// RegistryKeys::Technician: 0, absent or not a number is off, any other number on.
class TechnicianSettings {
public:
    explicit TechnicianSettings(const RegistryStore* registry) : registry_(registry) {}

    // A removable target must be an encrypted volume.
    bool requireEncryptedTarget() const;
    // After a run that ticked every row onto a removable drive, the drive is
    // unmounted and powered off.
    bool ejectAfterRun() const;

private:
    bool isOn(const QString& name) const;

    const RegistryStore* registry_;
};

} // namespace tavor
