#include "formats/connectionstring/ConnectionString.h"

#include "base/Error.h"

namespace tavor {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Walks a connection string field by field. A malformed field is read the forgiving way
// and its fault noted, so that the caller may either use what was read or refuse the text.
class FieldReader {
public:
    explicit FieldReader(const QString& text) : text_(text) {}

    // Skips blanks and empty fields; false at the end of the text.
    bool nextField() {
        while (pos_ < text_.size() && (isBlank(text_.at(pos_)) || text_.at(pos_) == u';')) {
            ++pos_;
        }
        return pos_ < text_.size();
    }

    // The key up to its '=', trimmed; none, with the field left unread, when it has no '='.
    std::optional<QString> readKey() {
        QString key;
        for (; pos_ < text_.size() && text_.at(pos_) != u';'; ++pos_) {
            if (text_.at(pos_) != u'=') {
                key += text_.at(pos_);
            } else if (pos_ + 1 < text_.size() && text_.at(pos_ + 1) == u'=') {
                key += u'=';
                ++pos_;
            } else {
                ++pos_;
                key = key.trimmed();
                if (key.isEmpty()) {
                    noteFault(QStringLiteral("a field has no name"));
                }
                return key;
            }
        }
        // The text is not named: a stray piece of a password may be what lacks the '='.
        noteFault(QStringLiteral("a field has no '='"));
        return std::nullopt;
    }

    QString readValue(const QString& key) {
        while (pos_ < text_.size() && isBlank(text_.at(pos_))) {
            ++pos_;
        }
        if (pos_ < text_.size() && (text_.at(pos_) == u'"' || text_.at(pos_) == u'\'')) {
            return readQuotedValue(key);
        }
        const qsizetype end = endOfField();
        const QString value = text_.mid(pos_, end - pos_).trimmed();
        pos_ = end;
        return value;
    }

    const std::optional<QString>& fault() const { return fault_; }

private:
    QString readQuotedValue(const QString& key) {
        const QChar quote = text_.at(pos_++);
        QString value;
        for (; pos_ < text_.size(); ++pos_) {
            if (text_.at(pos_) != quote) {
                value += text_.at(pos_);
            } else if (pos_ + 1 < text_.size() && text_.at(pos_ + 1) == quote) {
                value += quote;
                ++pos_;
            } else {
                ++pos_;
                skipAfterClosingQuote(key);
                return value;
            }
        }
        noteFault(QStringLiteral("the value of \"%1\" has no closing quote").arg(key));
        return value;
    }

    void skipAfterClosingQuote(const QString& key) {
        while (pos_ < text_.size() && isBlank(text_.at(pos_))) {
            ++pos_;
        }
        if (pos_ < text_.size() && text_.at(pos_) != u';') {
            noteFault(
                QStringLiteral("the value of \"%1\" goes on after its closing quote").arg(key));
            pos_ = endOfField();
        }
    }

    qsizetype endOfField() const {
        const qsizetype semicolon = text_.indexOf(u';', pos_);
        return semicolon < 0 ? text_.size() : semicolon;
    }

    void noteFault(const QString& what) {
        if (!fault_) {
            fault_ = what;
        }
    }

    const QString& text_;
    qsizetype pos_ = 0;
    std::optional<QString> fault_;
};

// Reads every field into `fields`; returns the first fault, if any.
std::optional<QString> readFields(const QString& text, QList<std::pair<QString, QString>>& fields) {
    FieldReader reader(text);
    while (reader.nextField()) {
        if (const std::optional<QString> key = reader.readKey()) {
            fields.append({*key, reader.readValue(*key)});
        }
    }
    return reader.fault();
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString result;
    readFields(text, result.fields_);
    return result;
}

ConnectionString ConnectionString::parseStrictly(const QString& text) {
    ConnectionString result;
    if (const std::optional<QString> fault = readFields(text, result.fields_)) {
        throw Error(ErrorNumber::ProviderError,
                    QStringLiteral("The connection string is not valid: %1.").arg(*fault));
    }
    return result;
}

std::optional<QString> ConnectionString::value(const QString& key) const {
    return valueOfAny({key});
}

QString ConnectionString::valueOr(const QString& key, const QString& fallback) const {
    return value(key).value_or(fallback);
}

std::optional<QString> ConnectionString::valueOfAny(const QStringList& keys) const {
    for (auto it = fields_.crbegin(); it != fields_.crend(); ++it) {
        if (keys.contains(it->first, Qt::CaseInsensitive)) {
            return it->second;
        }
    }
    return std::nullopt;
}

QStringList ConnectionString::keys() const {
    QStringList result;
    for (const auto& field : fields_) {
        result.append(field.first);
    }
    return result;
}

namespace {

QString quotedField(const QString& key, const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return key + QStringLiteral("=\"") + quoted + QLatin1Char('"');
}

// A ';' ends the field, a leading quote opens a quoted value, and a leading '='
// would be read as "==", an '=' inside the key.
bool breaksField(const QString& value) {
    const QString trimmed = value.trimmed();
    return value.contains(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('"')) ||
           trimmed.startsWith(QLatin1Char('\'')) || value.startsWith(QLatin1Char('='));
}

} // namespace

QString ConnectionString::field(const QString& key, const QString& value) {
    if (breaksField(value) || value != value.trimmed())
        return quotedField(key, value);
    return key + QLatin1Char('=') + value;
}

QString ConnectionString::typedField(const QString& key, const QString& value) {
    return breaksField(value) ? quotedField(key, value) : key + QLatin1Char('=') + value;
}

} // namespace tavor
