#include "formats/checksums/ChecksumManifest.h"

#include <QMap>
#include <algorithm>

namespace tavor {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

ChecksumManifest ChecksumManifest::parse(const QByteArray& text) {
    ChecksumManifest manifest;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QByteArray& line : lines) {
        ManifestEntry entry;
        if (parseLine(line, entry))
            manifest.entries_.append(entry);
        else
            ++manifest.malformed_;
    }
    return manifest;
}

bool ChecksumManifest::parseLine(QByteArray line, ManifestEntry& entry) {
    if (line.endsWith('\r'))
        line.chop(1);
    const bool escapedLine = line.startsWith('\\');
    if (escapedLine)
        line.remove(0, 1);
    if (line.size() < DigestLength + 3 || line.at(DigestLength) != ' ' ||
        (line.at(DigestLength + 1) != ' ' && line.at(DigestLength + 1) != '*'))
        return false;
    const QByteArray digest = line.left(DigestLength);
    if (!std::all_of(digest.cbegin(), digest.cend(), isHexDigit))
        return false;
    QByteArray name = line.mid(DigestLength + 2);
    if (escapedLine && !unescape(name))
        return false;
    entry.digest = QString::fromLatin1(digest).toLower();
    entry.name = QString::fromUtf8(name);
    return !name.isEmpty();
}

bool ChecksumManifest::unescape(QByteArray& name) {
    QByteArray plain;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) != '\\') {
            plain += name.at(i);
            continue;
        }
        if (++i == name.size())
            return false;
        if (name.at(i) == 'n')
            plain += '\n';
        else if (name.at(i) == 'r')
            plain += '\r';
        else if (name.at(i) == '\\')
            plain += '\\';
        else
            return false;
    }
    name = plain;
    return true;
}

QByteArray ChecksumManifest::escaped(const QByteArray& name) {
    QByteArray result = name;
    result.replace('\\', "\\\\");
    result.replace('\n', "\\n");
    // A carriage return before the line break would be taken for a CRLF line end.
    result.replace('\r', "\\r");
    return result;
}

QByteArray ChecksumManifest::render(const QList<ManifestEntry>& entries) {
    QMap<QByteArray, QByteArray> lines;
    for (const ManifestEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const QByteArray written = escaped(name);
        const QByteArray prefix = written == name ? QByteArray() : QByteArray("\\");
        lines.insert(name, prefix + entry.digest.toLower().toLatin1() + "  " + written + '\n');
    }
    QByteArray text;
    for (const QByteArray& line : std::as_const(lines))
        text += line;
    return text;
}

} // namespace tavor
