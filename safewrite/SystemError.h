#pragma once

#include "base/Error.h"

#include <QString>

namespace tavor {

// The error for a failed system call: errno mapped to the numbers the window knows
// (disk full, permission denied, file or path not found, device error), and a
// description naming what was being done, to which file, and why it failed.
Error systemError(int errorCode, const QString& action, const QString& path);

} // namespace tavor
