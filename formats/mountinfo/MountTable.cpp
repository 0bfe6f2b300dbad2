#include "formats/mountinfo/MountTable.h"

#include <QFile>

namespace tavor {

namespace {

bool isOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// A backslash and three octal digits that make one byte.
bool isEscape(const QByteArray& field, qsizetype at) {
    return field[at] == '\\' && at + 3 < field.size() && field[at + 1] >= '0' &&
           field[at + 1] <= '3' && isOctalDigit(field[at + 2]) && isOctalDigit(field[at + 3]);
}

// "MAJ:MIN" into its two numbers.
bool parseDeviceNumbers(const QByteArray& field, int& major, int& minor) {
    const QList<QByteArray> parts = field.split(':');
    if (parts.size() != 2)
        return false;
    bool majorOk = false;
    bool minorOk = false;
    major = parts[0].toInt(&majorOk);
    minor = parts[1].toInt(&minorOk);
    return majorOk && minorOk;
}

} // namespace

QList<MountEntry> MountTable::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The table is a virtual file: its size is unknown until read to the end.
    return parse(file.readAll());
}

QList<MountEntry> MountTable::parse(const QByteArray& content) {
    QList<MountEntry> entries;
    for (const QByteArray& line : content.split('\n')) {
        if (auto entry = parseLine(line))
            entries.append(*entry);
    }
    return entries;
}

// Fields: id, parent id, MAJ:MIN, root, mount point, options, optional fields
// ended by "-", then file system type, source and super-block options.
std::optional<MountEntry> MountTable::parseLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
    if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size())
        return std::nullopt;
    MountEntry entry;
    if (!parseDeviceNumbers(fields[2], entry.major, entry.minor))
        return std::nullopt;
    entry.root = unescape(fields[3]);
    entry.mountPoint = unescape(fields[4]);
    entry.fsType = QString::fromUtf8(fields[separator + 1]);
    entry.source = unescape(fields[separator + 2]);
    return entry;
}

QString MountTable::unescape(const QByteArray& field) {
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (isEscape(field, i)) {
            bytes.append(
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return QString::fromUtf8(bytes);
}

} // namespace tavor
