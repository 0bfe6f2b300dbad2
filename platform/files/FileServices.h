#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tavor {

// The file-system object: file size, file version, whether a file or folder
// exists, and plain copies.
class FileServices {
public:
    virtual ~FileServices() = default;

    // The size of a file in bytes; empty when it cannot be read (missing file, no
    // access to its folder, not a regular file).
    virtual std::optional<qint64> fileSize(const QString& path) const = 0;

    // The version an executable carries, as text a.b.c.d; empty when the file is
    // missing, unreadable or carries no version. Never raises.
    virtual QString fileVersion(const QString& path) const = 0;

    // Whether path names an existing regular file, or an existing folder.
    virtual bool fileExists(const QString& path) const = 0;
    virtual bool folderExists(const QString& path) const = 0;

    // Copies a file byte for byte to target. The copy is complete and flushed before
    // it takes the target's name; until then an older file there stays as it was,
    // and on failure it is left untouched. Failures raise tavor::Error.
    virtual void copyFile(const QString& source, const QString& target) = 0;
};

} // namespace tavor
