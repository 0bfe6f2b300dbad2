#pragma once

#include <QString>

namespace tavor {

// One call to udisks2 on the way from a mounted file system to a drive that is off.
struct UdisksStep {
    enum Kind { Unmount, Deactivate, Lock, PowerOff };

    Kind kind;
    // The object called: a block with the file system, a logical volume, the encrypted
    // block, the drive.
    QString object;
    // A logical volume's name, for the operator.
    QString name = {};

    QString interface() const;
    QString method() const;
    // The state a stick is in once the step is taken (for the steps between unmounting
    // and powering off).
    QString reached() const;
    // The step named as not taken: "the drive could not be powered off".
    QString notTaken() const;
};

} // namespace tavor
