#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tavor {

// One line of a checksum file: the digest in lower-case hex and the file's name
// relative to the file's folder.
struct ManifestEntry {
    QString digest;
    QString name;

    bool operator==(const ManifestEntry&) const = default;
};

// A SHA-256 checksum file in the format of the GNU tools (sha256sum -c reads it):
// "<64 hex digits>  <name>" per line, UTF-8, LF. A name holding a backslash, a
// line break or a carriage return is written escaped, its line starting with a
// backslash.
class ChecksumManifest {
public:
    static constexpr int DigestLength = 64;

    // The entries of a checksum file in its order; lines that are not entries are
    // counted in malformedLines. Digests are taken in either case and kept lower case;
    // the binary-mode marker ("<digest> *<name>") is accepted.
    static ChecksumManifest parse(const QByteArray& text);

    // The lines of entries, sorted by the bytes of their names, one line a name (a
    // later entry of the same name wins).
    static QByteArray render(const QList<ManifestEntry>& entries);

    const QList<ManifestEntry>& entries() const { return entries_; }
    int malformedLines() const { return malformed_; }

private:
    static bool parseLine(QByteArray line, ManifestEntry& entry);
    static QByteArray escaped(const QByteArray& name);
    static bool unescape(QByteArray& name);

    QList<ManifestEntry> entries_;
    int malformed_ = 0;
};

} // namespace tavor
