#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace tavor {

// An OLE DB connection string: "key=value" fields separated by ';'. Keys are
// compared without regard to case; a value may be enclosed in '...' or "..."
// (the enclosing quote doubled inside) when it holds a ';' or starts with a quote.
class ConnectionString {
public:
    static ConnectionString parse(const QString& text);

    std::optional<QString> value(const QString& key) const;
    QString valueOr(const QString& key, const QString& fallback = {}) const;

    // One "key=value" field, the value quoted when it needs it.
    static QString field(const QString& key, const QString& value);

private:
    QList<std::pair<QString, QString>> fields_;
};

} // namespace tavor
