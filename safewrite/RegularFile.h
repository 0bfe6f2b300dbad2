#pragma once

#include "base/Error.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sys/stat.h>

namespace tavor {

// Opens path with flags, without waiting (O_NONBLOCK and O_NOCTTY are added, which
// change nothing for a regular file), and keeps it only when what was opened is a
// regular file: opening a FIFO waits for a writer, and opening a device may act on
// it (a tape rewinds). Returns the descriptor, with the file's status in status.
// Raises tavor::Error naming name: what action failed, or that it is no regular file.
int openRegularFile(SystemCalls& calls, const QByteArray& path, int flags, mode_t mode,
                    const QString& action, const QString& name, struct stat& status);

// Reads up to size bytes at offset from fd, fewer only at the end of the file,
// going on after interruptions. Raises tavor::Error naming name on failure.
std::size_t readFully(SystemCalls& calls, int fd, void* buffer, std::size_t size,
                      std::int64_t offset, const QString& name);

// The error for name when it is not a regular file.
Error notRegularFileError(const QString& name);

} // namespace tavor
