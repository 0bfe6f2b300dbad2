#pragma once

#include "platform/files/FolderEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace tavor {

// The file-system object: file size and version, whether a file or folder
// exists, plain copies, folders and listings.
class FileServices {
public:
    using IdleHandler = std::function<void()>;

    virtual ~FileServices() = default;

    // Called on the caller's thread every few tens of milliseconds while a copy
    // works, so that window events need not wait for the whole copy.
    void setIdleHandler(IdleHandler handler) { idle_ = std::move(handler); }

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
    // The SHA-256 of the last copy copyFile put in place, as it was read back from
    // the medium (lower-case hex); empty before the first and after a failed one.
    virtual QString lastCopyDigest() const = 0;

    // Whether an ordinary file lies at path: a regular file, not hidden (its name
    // does not start with a dot).
    virtual bool isOrdinaryFile(const QString& path) const = 0;

    // The names of the ordinary files in folder that match pattern ("*" any run of
    // characters, "?" one, letters regardless of case; several patterns separated
    // by ';'), in name order regardless of case. Raises when the folder cannot be read.
    virtual QStringList listFolder(const QString& folder, const QString& pattern) const = 0;

    // Whether the running user may create and replace files in folder.
    virtual bool isWritableFolder(const QString& path) const = 0;

    // Creates one folder. A folder already there is not an error; a link there is,
    // even one that leads to a folder.
    virtual void makeFolder(const QString& path) = 0;
    // The device number of the volume that holds the folder or regular file at
    // path itself, a link not followed; empty when path names anything else.
    virtual std::optional<quint64> deviceOf(const QString& path) const = 0;
    // Removes a file; a missing file is not an error.
    virtual void removeFile(const QString& path) = 0;
    // Every entry of folder, hidden ones included, none of them followed if a link;
    // in no particular order. Raises when folder cannot be read or is itself a link.
    virtual QList<FolderEntry> folderEntries(const QString& folder) const = 0;
    // The bytes the running user may still write on the volume that holds path;
    // empty when it cannot be told.
    virtual std::optional<qint64> freeBytes(const QString& path) const = 0;
    // Removes the folder name inside parent: first the files named, one by one, then
    // the folder itself. Nothing is followed through a link, and parent, the folder and
    // every file must lie on the volume of the device number given. Raises at the first
    // that cannot be removed (a file that is no longer a regular one, a temporary that a
    // write still holds, anything left in the folder), leaving the rest as it was.
    virtual void removeFolder(const QString& parent, const QString& name, const QStringList& files,
                              quint64 device) = 0;
    // Removes from folder what writes of this program left behind when a kill or a
    // power cut ended them: hidden temporary files of the program's own naming that
    // no write holds any longer. Every other file stays. Raises when the folder
    // cannot be read.
    virtual void removeAbandonedTemporaries(const QString& folder) = 0;
    // Replaces the file at path with data, completely or not at all.
    virtual void writeFile(const QString& path, const QByteArray& data) = 0;
    // The whole contents of a file; raises tavor::Error when it cannot be read.
    virtual QByteArray readFile(const QString& path) const = 0;
    // The SHA-256 of a file read from the medium, its cached pages flushed and
    // dropped first (lower-case hex); raises tavor::Error when it cannot be read.
    virtual QString readBackDigest(const QString& path) = 0;

protected:
    const IdleHandler& idleHandler() const { return idle_; }

private:
    IdleHandler idle_;
};

} // namespace tavor
