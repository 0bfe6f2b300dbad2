#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace tavor {

// An OLE DB connection string: "key=value" fields separated by ';'. Keys are
// compared without regard to case and "==" stands for an '=' inside a key; a value
// may be enclosed in '...' or "..." (the enclosing quote doubled inside) when it
// holds a ';' or starts with a quote. When a key appears more than once, its last
// field counts.
class ConnectionString {
public:
    // Reads what it can: a field without '=' is skipped, an unclosed quote runs to
    // the end of the text, and anything after a closing quote up to the next ';' is
    // ignored.
    static ConnectionString parse(const QString& text);

    // Raises tavor::Error (ProviderError) on the first malformed field instead. The
    // description names the field, never its value.
    static ConnectionString parseStrictly(const QString& text);

    std::optional<QString> value(const QString& key) const;
    QString valueOr(const QString& key, const QString& fallback = {}) const;
    // The last field named by any of the keys, for synonyms such as "Data Source"
    // and "Server".
    std::optional<QString> valueOfAny(const QStringList& keys) const;
    // The keys as written, in order, repeats included.
    QStringList keys() const;

    // One "key=value" field, the value quoted when it needs it to be read back exactly.
    static QString field(const QString& key, const QString& value);
    // One field written as a person would type it: quoted only where a ';' or a
    // leading quote would break the string; blanks around it are left for the
    // reader to trim.
    static QString typedField(const QString& key, const QString& value);

private:
    QList<std::pair<QString, QString>> fields_;
};

} // namespace tavor
