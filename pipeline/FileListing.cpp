#include "pipeline/FileListing.h"

#include "base/Error.h"

namespace tavor {

void FileListing::setFolder(const QString& folder) {
    names_ = read(folder);
    folder_ = folder;
}

void FileListing::setPattern(const QString& pattern) {
    pattern_ = pattern;
    names_.clear();
    if (!folder_.isEmpty())
        names_ = read(folder_);
}

QStringList FileListing::read(const QString& folder) const {
    if (!files_)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No file services"));
    return files_->listFolder(folder, pattern_);
}

} // namespace tavor
