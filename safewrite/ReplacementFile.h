#pragma once

#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace tavor {

// The one way this program replaces a file: a new file written under a temporary
// name beside its target and put in place only when it is complete and flushed.
// Until commit() the target, and any older file under its name, is untouched; a
// replacement that is never committed removes its temporary file. Failures raise
// tavor::Error.
//
// The temporary file is hidden, named "." + the target's name + "." + 13 random
// letters or digits + ".tmp", and locked while it is written, so that the remains
// of a write that a kill or a power cut ended can be told from a write under way.
class ReplacementFile {
public:
    ReplacementFile(const QString& target, SystemCalls& calls, mode_t mode = 0666);

    // Replaces the file at target with bytes. A regular file already there keeps its
    // permissions (set-ID bits aside); a new one, or one replacing a link or anything
    // else, gets mode (less the umask).
    static void write(const QString& target, const QByteArray& bytes,
                      SystemCalls& calls = SystemCalls::host(), mode_t mode = 0666);
    // Replaces the file at target with bytes in a file of mode (less the umask),
    // whatever was there before.
    static void writeWithMode(const QString& target, const QByteArray& bytes, SystemCalls& calls,
                              mode_t mode);
    // The permissions write() gives a file that replaces target.
    static mode_t keptMode(const QString& target, mode_t mode);
    // Whether a file name (no folder) is one this class gives its temporary files.
    static bool isTemporaryName(const QByteArray& name);
    ~ReplacementFile();

    // Removes from folder the temporary files that no write holds any longer.
    // Raises when the folder cannot be read.
    static void removeAbandoned(const QString& folder, SystemCalls& calls = SystemCalls::host());

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    int fd() const { return fd_; }
    const QString& target() const { return target_; }
    // The name the file is written under until commit().
    const QByteArray& temporaryPath() const { return temporaryName_; }

    // Appends all bytes at the file's current offset.
    void append(const void* data, std::size_t size);
    // Starts writing to the medium, without waiting, what was appended since the
    // last call, so that flush() finds little left to do.
    void startWriteback();
    // Overwrites bytes already written (a header patched at the end).
    void overwrite(const void* data, std::size_t size, off_t offset);
    // Flushes the file to the medium, so that it can be read back before commit().
    void flush();
    // Flushes the file unless nothing was written since flush(), renames it over
    // the target and flushes the folder.
    void commit();

private:
    void createTemporary(mode_t mode);
    bool lockTemporary();
    void flushFolder();
    void discard();

    QString target_;
    QByteArray targetName_;
    QByteArray temporaryName_;
    SystemCalls& calls_;
    int fd_ = -1;
    off_t appended_ = 0;
    off_t writebackStarted_ = 0;
    bool flushed_ = false;
    bool committed_ = false;
};

} // namespace tavor
