#pragma once

#include <QList>
#include <QString>

namespace tavor {

// One lexical unit of a T-SQL statement.
struct SqlToken {
    enum class Kind {
        Word,        // bare name or keyword: SELECT, SV_Name, #tmp
        QuotedName,  // [name] or "name", text without the quotes
        String,      // 'text' or N'text', text with '' unescaped
        Number,      // 42, 3.5
        Parameter,   // ? bound from the statement's parameter list
        Punctuation, // ( ) , . = * ; and other single characters
    };

    Kind kind;
    QString text;
    bool national = false; // N'...'
    qsizetype position = 0;

    bool isWord(const char* keyword) const;
    bool isPunctuation(QChar c) const;
    bool isName() const { return kind == Kind::Word || kind == Kind::QuotedName; }
    // The token as it could be written in a statement, for error messages.
    QString spelling() const;
};

// Splits a T-SQL statement into tokens: comments and blanks are dropped, literals
// and quoted names are unescaped. An unclosed quote or comment raises tavor::Error
// with the server's number for it.
class SqlTokenizer {
public:
    static QList<SqlToken> tokenize(const QString& sql);
};

} // namespace tavor
