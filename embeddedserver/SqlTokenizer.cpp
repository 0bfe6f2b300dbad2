#include "embeddedserver/SqlTokenizer.h"

#include "platform/database/SqlErrors.h"

namespace tavor {

bool SqlToken::isWord(const char* keyword) const {
    return kind == Kind::Word && text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool SqlToken::isPunctuation(QChar c) const {
    return kind == Kind::Punctuation && text.size() == 1 && text.at(0) == c;
}

QString SqlToken::spelling() const {
    switch (kind) {
    case Kind::QuotedName:
        return QLatin1Char('[') + text + QLatin1Char(']');
    case Kind::String:
        return (national ? QStringLiteral("N'") : QStringLiteral("'")) + text + QLatin1Char('\'');
    default:
        return text;
    }
}

namespace {

bool startsWord(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool continuesWord(QChar c) {
    return startsWord(c) || c.isDigit() || c == QLatin1Char('$');
}

class Scanner {
public:
    explicit Scanner(const QString& sql) : sql_(sql) {}

    QList<SqlToken> run() {
        while (skipBlanksAndComments()) {
            tokens_.append(next());
        }
        return tokens_;
    }

private:
    QChar at(qsizetype i) const { return i < sql_.size() ? sql_.at(i) : QChar(); }

    // Returns false at the end of the text.
    bool skipBlanksAndComments() {
        while (pos_ < sql_.size()) {
            const QChar c = sql_.at(pos_);
            if (c.isSpace()) {
                ++pos_;
            } else if (c == QLatin1Char('-') && at(pos_ + 1) == QLatin1Char('-')) {
                while (pos_ < sql_.size() && sql_.at(pos_) != QLatin1Char('\n')) {
                    ++pos_;
                }
            } else if (c == QLatin1Char('/') && at(pos_ + 1) == QLatin1Char('*')) {
                skipBlockComment();
            } else {
                return true;
            }
        }
        return false;
    }

    // Block comments nest, as the server's do.
    void skipBlockComment() {
        int depth = 0;
        while (pos_ < sql_.size()) {
            if (sql_.at(pos_) == QLatin1Char('/') && at(pos_ + 1) == QLatin1Char('*')) {
                ++depth;
                pos_ += 2;
            } else if (sql_.at(pos_) == QLatin1Char('*') && at(pos_ + 1) == QLatin1Char('/')) {
                pos_ += 2;
                if (--depth == 0) {
                    return;
                }
            } else {
                ++pos_;
            }
        }
        throw Error(SqlError::MissingEndComment, QStringLiteral("Missing end comment mark '*/'."));
    }

    SqlToken next() {
        const QChar c = sql_.at(pos_);
        if ((c == QLatin1Char('N') || c == QLatin1Char('n')) && at(pos_ + 1) == QLatin1Char('\'')) {
            ++pos_;
            SqlToken t = quoted(SqlToken::Kind::String, QLatin1Char('\''));
            t.national = true;
            --t.position;
            return t;
        }
        if (c == QLatin1Char('\'')) {
            return quoted(SqlToken::Kind::String, c);
        }
        if (c == QLatin1Char('[')) {
            return quoted(SqlToken::Kind::QuotedName, QLatin1Char(']'));
        }
        if (c == QLatin1Char('"')) {
            return quoted(SqlToken::Kind::QuotedName, c);
        }
        if (c.isDigit() || (c == QLatin1Char('.') && at(pos_ + 1).isDigit())) {
            return number();
        }
        if (startsWord(c)) {
            return word();
        }
        const SqlToken::Kind kind =
            c == QLatin1Char('?') ? SqlToken::Kind::Parameter : SqlToken::Kind::Punctuation;
        return SqlToken{kind, QString(sql_.at(pos_++)), false, pos_ - 1};
    }

    // A doubled closing character inside the quotes stands for itself.
    SqlToken quoted(SqlToken::Kind kind, QChar close) {
        const qsizetype start = pos_;
        ++pos_;
        QString text;
        while (pos_ < sql_.size()) {
            const QChar c = sql_.at(pos_);
            if (c == close) {
                if (at(pos_ + 1) == close) {
                    text.append(close);
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return SqlToken{kind, text, false, start};
            }
            text.append(c);
            ++pos_;
        }
        throw Error(
            SqlError::UnclosedQuote,
            QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(text));
    }

    SqlToken number() {
        const qsizetype start = pos_;
        bool seenDot = false;
        while (pos_ < sql_.size() &&
               (sql_.at(pos_).isDigit() || (!seenDot && sql_.at(pos_) == QLatin1Char('.')))) {
            seenDot = seenDot || sql_.at(pos_) == QLatin1Char('.');
            ++pos_;
        }
        return SqlToken{SqlToken::Kind::Number, sql_.mid(start, pos_ - start), false, start};
    }

    SqlToken word() {
        const qsizetype start = pos_;
        while (pos_ < sql_.size() && continuesWord(sql_.at(pos_))) {
            ++pos_;
        }
        return SqlToken{SqlToken::Kind::Word, sql_.mid(start, pos_ - start), false, start};
    }

    const QString& sql_;
    qsizetype pos_ = 0;
    QList<SqlToken> tokens_;
};

} // namespace

QList<SqlToken> SqlTokenizer::tokenize(const QString& sql) {
    return Scanner(sql).run();
}

} // namespace tavor
