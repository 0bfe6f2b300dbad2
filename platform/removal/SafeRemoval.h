#pragma once

#include "platform/removal/RemovalReport.h"

#include <QString>

namespace tavor {

// Safe removal of a removable drive: what the volume holds is flushed, the volume
// unmounted, what stands between its file system and the drive taken down, and the
// drive powered off, so that the operator may pull it out.
class SafeRemoval {
public:
    virtual ~SafeRemoval() = default;

    // Removes the drive of the volume mounted at mountPoint as far as it can be taken
    // and says how far that was; the volume's files are untouched either way.
    virtual RemovalReport remove(const QString& mountPoint) = 0;
};

} // namespace tavor
