#include "platform/database/ConnectionString.h"

namespace tavor {

namespace {

// Reads one value starting at pos (after the '='); leaves pos after its ';'.
QString readValue(const QString& text, qsizetype& pos) {
    while (pos < text.size() && text.at(pos).isSpace()) {
        ++pos;
    }
    if (pos < text.size() &&
        (text.at(pos) == QLatin1Char('"') || text.at(pos) == QLatin1Char('\''))) {
        const QChar quote = text.at(pos++);
        QString value;
        while (pos < text.size()) {
            if (text.at(pos) == quote) {
                if (pos + 1 < text.size() && text.at(pos + 1) == quote) {
                    value.append(quote);
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value.append(text.at(pos++));
        }
        const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
        pos = end < 0 ? text.size() : end + 1;
        return value;
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
    const QString value = text.mid(pos, end < 0 ? -1 : end - pos).trimmed();
    pos = end < 0 ? text.size() : end + 1;
    return value;
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A field without '=' carries nothing.
            pos = semicolon < 0 ? text.size() : semicolon + 1;
            continue;
        }
        const QString key = text.mid(pos, equals - pos).trimmed();
        pos = equals + 1;
        result.fields_.append({key, readValue(text, pos)});
    }
    return result;
}

// The last field of a key wins, as with the OLE DB providers.
std::optional<QString> ConnectionString::value(const QString& key) const {
    for (qsizetype i = fields_.size() - 1; i >= 0; --i) {
        if (fields_.at(i).first.compare(key, Qt::CaseInsensitive) == 0) {
            return fields_.at(i).second;
        }
    }
    return std::nullopt;
}

QString ConnectionString::valueOr(const QString& key, const QString& fallback) const {
    return value(key).value_or(fallback);
}

QString ConnectionString::field(const QString& key, const QString& value) {
    const bool needsQuotes = value.contains(QLatin1Char(';')) ||
                             value.startsWith(QLatin1Char('"')) ||
                             value.startsWith(QLatin1Char('\'')) || value != value.trimmed();
    if (!needsQuotes) {
        return key + QLatin1Char('=') + value;
    }
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return key + QStringLiteral("=\"") + quoted + QLatin1Char('"');
}

} // namespace tavor
