#pragma once

#include "platform/files/FileServices.h"

#include <QStringList>
#include <memory>

namespace tavor {

// The file list of the maintenance panel: one folder's ordinary files that match
// a pattern. Setting the folder or the pattern reads the folder again; a folder
// that cannot be read raises and leaves the listing on the folder it had.
class FileListing {
public:
    explicit FileListing(std::shared_ptr<const FileServices> files) : files_(std::move(files)) {}

    const QString& folder() const { return folder_; }
    const QString& pattern() const { return pattern_; }
    const QStringList& names() const { return names_; }

    void setFolder(const QString& folder);
    void setPattern(const QString& pattern);

private:
    QStringList read(const QString& folder) const;

    std::shared_ptr<const FileServices> files_;
    QString folder_;
    QString pattern_ = QStringLiteral("*.*");
    QStringList names_;
};

} // namespace tavor
