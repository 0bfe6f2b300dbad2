#pragma once

#include "platform/files/FileServices.h"
#include "platform/files/SystemCalls.h"

namespace tavor {

class ReplacementFile;
class SourceFile;

// File services on the host: stat for sizes and existence, the ELF version
// section for versions, copy_file_range for copies (with a
// read/write loop where the kernel cannot copy between the two file systems).
class LinuxFileServices : public FileServices {
public:
    explicit LinuxFileServices(SystemCalls& calls = SystemCalls::host());

    std::optional<qint64> fileSize(const QString& path) const override;
    QString fileVersion(const QString& path) const override;
    bool fileExists(const QString& path) const override;
    bool folderExists(const QString& path) const override;
    void copyFile(const QString& source, const QString& target) override;
    bool isOrdinaryFile(const QString& path) const override;
    QStringList listFolder(const QString& folder, const QString& pattern) const override;
    void makeFolder(const QString& path) override;
    void removeFile(const QString& path) override;
    void writeFile(const QString& path, const QByteArray& data) override;

private:
    void copyContents(const SourceFile& source, ReplacementFile& copy);
    void copyByReading(const SourceFile& source, ReplacementFile& copy);
    void checkCopiedSize(const SourceFile& source, ReplacementFile& copy);

    SystemCalls& calls_;
};

} // namespace tavor
