#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tavor {

// One line of the kernel's mount table (the mountinfo format).
struct MountEntry {
    int major = 0;
    int minor = 0;
    QString root;       // the folder of the file system that is mounted ("/" for all of it)
    QString mountPoint; // unescaped
    QString fsType;
    QString source;

    bool operator==(const MountEntry&) const = default;
};

// Reads the kernel's mount table. Lines that do not have the mountinfo shape
// are skipped; a table that cannot be read gives no entries.
class MountTable {
public:
    static QList<MountEntry> read(const QString& path);
    static QList<MountEntry> parse(const QByteArray& content);
    static std::optional<MountEntry> parseLine(const QByteArray& line);

    // The kernel writes blank, tab, newline and backslash in paths as octal
    // escapes (\040, \011, \012, \134); other bytes (Arabic in UTF-8) stay as they are.
    static QString unescape(const QByteArray& field);
};

} // namespace tavor
