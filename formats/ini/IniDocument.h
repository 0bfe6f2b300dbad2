#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace tavor {

// The text of an INI file: sections of "key=value" entries. Section and key names
// are compared without regard to case (blanks around them ignored); a value is
// everything after the first '=' of its line, kept byte for byte. Lines that are
// not touched (comments, blank or unknown lines) are written back unchanged.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    QByteArray toBytes() const;

    // The first entry of that name in the first section of that name.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The entries of the first section of that name, in stored order, first of each name.
    QList<std::pair<QString, QString>> entries(const QString& section) const;

    // Replaces the entry's value, or adds the entry (and its section) when absent.
    // Raises tavor::Error when the name or the value cannot be stored in a line.
    void setValue(const QString& section, const QString& key, const QString& value);

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        QByteArray text;
        Kind kind = Kind::Other;
        QString name;          // folded section or key name
        qsizetype equals = -1; // position of the first '=' of an entry
    };

    static Line classify(QByteArray text);
    static QString fold(const QString& name);
    std::optional<std::size_t> findSection(const QString& foldedSection) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::optional<std::size_t> findEntry(std::size_t header, const QString& foldedKey) const;
    void insertLine(std::size_t at, QByteArray text);

    std::vector<Line> lines_;
    bool bom_ = false;
    bool crlf_ = false;
};

} // namespace tavor
