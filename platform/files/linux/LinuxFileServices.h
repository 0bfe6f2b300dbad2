#pragma once

#include "platform/files/FileServices.h"
#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/SystemCalls.h"

namespace tavor {

class ReplacementFile;
class SourceFile;

// File services on the host: stat for sizes; copies by a read/write loop that
// checksums the source as it goes, and read the copy back from the medium before
// it takes the target's name, so that a copy in place is known to be whole.
class LinuxFileServices : public FileServices {
public:
    explicit LinuxFileServices(SystemCalls& calls = SystemCalls::host());

    std::optional<qint64> fileSize(const QString& path) const override;
    QString fileVersion(const QString& path) const override;
    bool fileExists(const QString& path) const override;
    bool folderExists(const QString& path) const override;
    // Also refuses, before anything is written, a source larger than the free space
    // of the target's file system or of 4 GiB or more onto a FAT file system.
    void copyFile(const QString& source, const QString& target) override;
    QString lastCopyDigest() const override { return lastCopyDigest_; }
    bool isOrdinaryFile(const QString& path) const override;
    QStringList listFolder(const QString& folder, const QString& pattern) const override;
    bool isWritableFolder(const QString& path) const override;
    void makeFolder(const QString& path) override;
    std::optional<quint64> deviceOf(const QString& path) const override;
    void removeFile(const QString& path) override;
    QList<FolderEntry> folderEntries(const QString& folder) const override;
    std::optional<qint64> freeBytes(const QString& path) const override;
    // By descriptor: openat and fstatat with links never followed, unlinkat.
    void removeFolder(const QString& parent, const QString& name, const QStringList& files,
                      quint64 device) override;
    void removeAbandonedTemporaries(const QString& folder) override;
    void writeFile(const QString& path, const QByteArray& data) override;
    QByteArray readFile(const QString& path) const override;
    QString readBackDigest(const QString& path) override;

private:
    void refuseWhatCannotFit(const SourceFile& source, const QString& target);
    ContentChecksum copyContents(const SourceFile& source, ReplacementFile& copy, IdleTicker& idle);
    void checkCopiedSize(const SourceFile& source, ReplacementFile& copy);
    QString verifyCopy(const ReplacementFile& copy, const ContentChecksum& expected,
                       IdleTicker& idle);

    SystemCalls& calls_;
    QString lastCopyDigest_;
};

} // namespace tavor
