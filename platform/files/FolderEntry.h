#pragma once

#include <QString>
#include <QtGlobal>

namespace tavor {

// One entry of a folder as it is, a link not followed.
struct FolderEntry {
    enum class Type { File, Folder, Link, Other };

    QString name;
    Type type = Type::Other;
    // The size of a regular file in bytes; 0 for anything else.
    qint64 size = 0;
};

} // namespace tavor
