#pragma once

#include <QString>

namespace tavor {

// Safe removal of a removable drive: what the volume holds is flushed, the volume
// unmounted and its drive powered off, so that the operator may pull it out.
class SafeRemoval {
public:
    virtual ~SafeRemoval() = default;

    // Removes the drive of the volume mounted at mountPoint. Raises tavor::Error
    // saying why not (busy, not permitted, no service to do it); the volume's files
    // are untouched either way.
    virtual void remove(const QString& mountPoint) = 0;
};

} // namespace tavor
