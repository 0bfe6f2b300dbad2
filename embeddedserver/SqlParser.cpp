#include "embeddedserver/SqlParser.h"

#include "embeddedserver/SqlTokenizer.h"
#include "platform/database/SqlErrors.h"

#include <QSet>

namespace tavor {

namespace {

const QSet<QString>& reservedWords() {
    static const QSet<QString> words = {
        QStringLiteral("SELECT"),   QStringLiteral("FROM"),   QStringLiteral("WHERE"),
        QStringLiteral("AND"),      QStringLiteral("OR"),     QStringLiteral("INSERT"),
        QStringLiteral("INTO"),     QStringLiteral("VALUES"), QStringLiteral("UPDATE"),
        QStringLiteral("SET"),      QStringLiteral("CREATE"), QStringLiteral("TABLE"),
        QStringLiteral("DATABASE"), QStringLiteral("DROP"),   QStringLiteral("BACKUP"),
        QStringLiteral("TO"),       QStringLiteral("WITH"),   QStringLiteral("ON"),
        QStringLiteral("NOT"),      QStringLiteral("NULL"),   QStringLiteral("COLLATE"),
        QStringLiteral("DELETE"),   QStringLiteral("EXEC"),   QStringLiteral("GO"),
    };
    return words;
}

// Server data types by the column affinity the embedded server gives them.
const QSet<QString>& knownTypes() {
    static const QSet<QString> types = {
        QStringLiteral("int"),
        QStringLiteral("bigint"),
        QStringLiteral("smallint"),
        QStringLiteral("tinyint"),
        QStringLiteral("bit"),
        QStringLiteral("float"),
        QStringLiteral("real"),
        QStringLiteral("decimal"),
        QStringLiteral("numeric"),
        QStringLiteral("money"),
        QStringLiteral("smallmoney"),
        QStringLiteral("char"),
        QStringLiteral("nchar"),
        QStringLiteral("varchar"),
        QStringLiteral("nvarchar"),
        QStringLiteral("text"),
        QStringLiteral("ntext"),
        QStringLiteral("datetime"),
        QStringLiteral("smalldatetime"),
        QStringLiteral("date"),
        QStringLiteral("time"),
        QStringLiteral("datetime2"),
        QStringLiteral("uniqueidentifier"),
        QStringLiteral("binary"),
        QStringLiteral("varbinary"),
        QStringLiteral("image"),
    };
    return types;
}

class Parser {
public:
    explicit Parser(const QString& sql) : tokens_(SqlTokenizer::tokenize(sql)) {}

    SqlParsedStatement run() {
        if (atEnd()) {
            fail();
        }
        SqlStatement statement = statementByKeyword();
        if (peekPunctuation(';')) {
            ++pos_;
        }
        if (!atEnd()) {
            fail();
        }
        return SqlParsedStatement{std::move(statement), parameters_};
    }

private:
    SqlStatement statementByKeyword() {
        const SqlToken& first = peek();
        if (first.isWord("SELECT")) {
            if (peekAt(1).isWord("SERVERPROPERTY") || peekAt(1).isWord("CAST")) {
                return serverProperty();
            }
            return select();
        }
        if (first.isWord("UPDATE")) {
            return update();
        }
        if (first.isWord("INSERT")) {
            return insert();
        }
        if (first.isWord("CREATE")) {
            ++pos_;
            if (peek().isWord("DATABASE")) {
                ++pos_;
                return SqlCreateDatabase{name()};
            }
            return createTable();
        }
        if (first.isWord("DROP")) {
            ++pos_;
            expectWord("DATABASE");
            return SqlDropDatabase{name()};
        }
        if (first.isWord("BACKUP")) {
            return backup();
        }
        if (first.isWord("RESTORE")) {
            if (peekAt(1).isWord("FILELISTONLY"))
                return restoreFileList();
            if (peekAt(1).isWord("DATABASE"))
                return restoreDatabase();
            return verifyBackup();
        }
        if (first.isWord("DBCC")) {
            return checkDatabase();
        }
        throw Error(SqlError::IncorrectSyntax,
                    QStringLiteral("Incorrect syntax near '%1': the embedded server does not run "
                                   "this kind of statement.")
                        .arg(first.spelling()));
    }

    SqlSelect select() {
        expectWord("SELECT");
        SqlSelect s;
        do {
            s.items.append(selectItem());
        } while (acceptPunctuation(','));
        expectWord("FROM");
        s.from = objectName();
        if (acceptWord("WHERE")) {
            s.where = conditions();
        }
        return s;
    }

    SqlSelectItem selectItem() {
        if (peek().isWord("COUNT")) {
            ++pos_;
            expectPunctuation('(');
            expectPunctuation('*');
            expectPunctuation(')');
            return SqlSelectItem{true, {}};
        }
        return SqlSelectItem{false, name()};
    }

    SqlUpdate update() {
        expectWord("UPDATE");
        SqlUpdate u;
        u.table = objectName();
        expectWord("SET");
        do {
            QString column = name();
            expectPunctuation('=');
            u.assignments.append({column, value()});
        } while (acceptPunctuation(','));
        if (acceptWord("WHERE")) {
            u.where = conditions();
        }
        return u;
    }

    SqlInsert insert() {
        expectWord("INSERT");
        acceptWord("INTO");
        SqlInsert i;
        i.table = objectName();
        expectPunctuation('(');
        do {
            i.columns.append(name());
        } while (acceptPunctuation(','));
        expectPunctuation(')');
        if (acceptWord("VALUES")) {
            expectPunctuation('(');
            do {
                i.values.append(value());
            } while (acceptPunctuation(','));
            expectPunctuation(')');
        } else if (peek().isWord("SELECT")) {
            i.source = select();
        } else {
            fail();
        }
        return i;
    }

    SqlCreateTable createTable() {
        expectWord("TABLE");
        SqlCreateTable t;
        t.table = objectName();
        expectPunctuation('(');
        do {
            t.columns.append(columnDefinition());
        } while (acceptPunctuation(','));
        expectPunctuation(')');
        if (acceptWord("ON")) {
            fileGroup();
        }
        if (acceptWord("TEXTIMAGE_ON")) {
            fileGroup();
        }
        return t;
    }

    // Only the default file group exists on the embedded server.
    void fileGroup() {
        const SqlToken& group = peek();
        const QString text = name();
        if (text.compare(QLatin1String("PRIMARY"), Qt::CaseInsensitive) != 0) {
            throw Error(1921, QStringLiteral("Invalid filegroup '%1' specified.").arg(group.text));
        }
    }

    SqlColumnDefinition columnDefinition() {
        SqlColumnDefinition c;
        c.name = name();
        const SqlToken& typeToken = peek();
        c.type = name().toLower();
        if (!knownTypes().contains(c.type)) {
            throw Error(SqlError::UnknownType,
                        QStringLiteral("Column, parameter, or variable '%1': Cannot find data "
                                       "type %2.")
                            .arg(c.name, typeToken.text));
        }
        if (acceptPunctuation('(')) {
            if (!acceptWord("MAX")) {
                expectNumber();
                if (acceptPunctuation(',')) {
                    expectNumber();
                }
            }
            expectPunctuation(')');
        }
        if (acceptWord("COLLATE")) {
            if (peek().kind != SqlToken::Kind::Word) {
                fail();
            }
            c.caseInsensitive = next().text.contains(QLatin1String("_CI"), Qt::CaseInsensitive);
        }
        if (acceptWord("NOT")) {
            expectWord("NULL");
            c.notNull = true;
        } else {
            acceptWord("NULL");
        }
        return c;
    }

    SqlBackup backup() {
        expectWord("BACKUP");
        expectWord("DATABASE");
        SqlBackup b;
        b.database = name();
        expectWord("TO");
        expectWord("DISK");
        expectPunctuation('=');
        b.disk = string();
        withOptions([&] { backupOption(b); });
        return b;
    }

    void backupOption(SqlBackup& b) {
        if (acceptWord("INIT")) {
            b.init = true;
        } else if (acceptWord("NOINIT")) {
            b.init = false;
        } else if (acceptWord("FORMAT")) {
            b.format = true;
        } else if (acceptWord("NOFORMAT")) {
            b.format = false;
        } else if (acceptWord("CHECKSUM")) {
            b.checksum = true;
        } else if (acceptWord("MEDIAPASSWORD")) {
            expectPunctuation('=');
            b.mediaPassword = string();
        } else if (acceptWord("ENCRYPTION")) {
            b.encryption = encryption();
        } else {
            fail();
        }
    }

    SqlBackupEncryption encryption() {
        SqlBackupEncryption e;
        expectPunctuation('(');
        expectWord("ALGORITHM");
        expectPunctuation('=');
        e.algorithm = name();
        expectPunctuation(',');
        expectWord("SERVER");
        expectWord("CERTIFICATE");
        expectPunctuation('=');
        e.certificate = name();
        expectPunctuation(')');
        return e;
    }

    SqlVerifyBackup verifyBackup() {
        expectWord("RESTORE");
        expectWord("VERIFYONLY");
        SqlVerifyBackup v;
        v.disk = fromDisk();
        withOptions([&] {
            if (acceptWord("CHECKSUM")) {
                v.checksum = true;
            } else {
                expectWord("MEDIAPASSWORD");
                expectPunctuation('=');
                v.mediaPassword = string();
            }
        });
        return v;
    }

    // WITH option [, option ...], each read by readOption; nothing when WITH is not there.
    template <typename ReadOption> void withOptions(ReadOption readOption) {
        if (!acceptWord("WITH"))
            return;
        do {
            readOption();
        } while (acceptPunctuation(','));
    }

    SqlRestoreFileList restoreFileList() {
        expectWord("RESTORE");
        expectWord("FILELISTONLY");
        SqlRestoreFileList list;
        list.disk = fromDisk();
        if (acceptWord("WITH")) {
            expectWord("MEDIAPASSWORD");
            expectPunctuation('=');
            list.mediaPassword = string();
        }
        return list;
    }

    SqlRestoreDatabase restoreDatabase() {
        expectWord("RESTORE");
        expectWord("DATABASE");
        SqlRestoreDatabase r;
        r.database = name();
        r.disk = fromDisk();
        withOptions([&] { restoreOption(r); });
        return r;
    }

    void restoreOption(SqlRestoreDatabase& r) {
        if (acceptWord("MOVE")) {
            const QString logical = string();
            expectWord("TO");
            r.moves.append({logical, string()});
        } else if (acceptWord("CHECKSUM")) {
            r.checksum = true;
        } else if (acceptWord("MEDIAPASSWORD")) {
            expectPunctuation('=');
            r.mediaPassword = string();
        } else if (!acceptWord("RECOVERY")) {
            // Recovery is what a restore does anyway; nothing else is understood.
            fail();
        }
    }

    QString fromDisk() {
        expectWord("FROM");
        expectWord("DISK");
        expectPunctuation('=');
        return string();
    }

    SqlCheckDatabase checkDatabase() {
        expectWord("DBCC");
        expectWord("CHECKDB");
        expectPunctuation('(');
        SqlCheckDatabase c{name()};
        expectPunctuation(')');
        withOptions([&] {
            if (!acceptWord("NO_INFOMSGS"))
                expectWord("ALL_ERRORMSGS");
        });
        return c;
    }

    SqlServerProperty serverProperty() {
        expectWord("SELECT");
        SqlServerProperty p;
        p.asText = acceptWord("CAST");
        if (p.asText) {
            expectPunctuation('(');
        }
        expectWord("SERVERPROPERTY");
        expectPunctuation('(');
        p.name = string();
        expectPunctuation(')');
        if (p.asText) {
            expectWord("AS");
            static const QSet<QString> textTypes = {QStringLiteral("nvarchar"),
                                                    QStringLiteral("varchar")};
            if (!textTypes.contains(name().toLower())) {
                fail();
            }
            if (acceptPunctuation('(')) {
                expectNumber();
                expectPunctuation(')');
            }
            expectPunctuation(')');
        }
        return p;
    }

    QList<SqlCondition> conditions() {
        QList<SqlCondition> result;
        do {
            conditionTerm(result);
        } while (acceptWord("AND"));
        return result;
    }

    void conditionTerm(QList<SqlCondition>& into) {
        if (acceptPunctuation('(')) {
            into.append(conditions());
            expectPunctuation(')');
            return;
        }
        QString column = name();
        expectPunctuation('=');
        into.append(SqlCondition{column, value()});
    }

    SqlValue value() {
        const SqlToken& t = peek();
        switch (t.kind) {
        case SqlToken::Kind::String:
            ++pos_;
            return SqlValue{t.text, -1};
        case SqlToken::Kind::Number:
            ++pos_;
            if (t.text.contains(QLatin1Char('.'))) {
                return SqlValue{t.text.toDouble(), -1};
            }
            return SqlValue{t.text.toLongLong(), -1};
        case SqlToken::Kind::Parameter:
            ++pos_;
            return SqlValue{{}, parameters_++};
        default:
            if (t.isWord("NULL")) {
                ++pos_;
                return SqlValue{};
            }
            fail();
        }
    }

    // database.schema.object, each part optional but the last; db..object keeps the
    // default schema.
    SqlObjectName objectName() {
        const qsizetype start = pos_;
        QStringList parts{name()};
        while (acceptPunctuation('.')) {
            if (parts.size() == 3) {
                fail();
            }
            parts.append(peekPunctuation('.') ? QString() : name());
        }
        if (parts.last().isEmpty()) {
            fail();
        }
        SqlObjectName n;
        n.object = parts.takeLast();
        if (!parts.isEmpty()) {
            n.schema = parts.takeLast();
        }
        if (!parts.isEmpty()) {
            n.database = parts.takeLast();
        }
        QStringList written;
        for (qsizetype i = start; i < pos_; ++i) {
            written.append(tokens_.at(i).spelling());
        }
        n.spelling = written.join(QString());
        return n;
    }

    QString name() {
        const SqlToken& t = peek();
        const bool bare = t.kind == SqlToken::Kind::Word;
        if (!t.isName() || (bare && reservedWords().contains(t.text.toUpper())) ||
            t.text.isEmpty()) {
            fail();
        }
        return next().text;
    }

    QString string() {
        if (peek().kind != SqlToken::Kind::String) {
            fail();
        }
        return next().text;
    }

    void expectNumber() {
        if (peek().kind != SqlToken::Kind::Number) {
            fail();
        }
        ++pos_;
    }

    bool acceptWord(const char* keyword) {
        if (peek().isWord(keyword)) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expectWord(const char* keyword) {
        if (!acceptWord(keyword)) {
            fail();
        }
    }

    bool peekPunctuation(char c) const { return peek().isPunctuation(QLatin1Char(c)); }

    bool acceptPunctuation(char c) {
        if (peekPunctuation(c)) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expectPunctuation(char c) {
        if (!acceptPunctuation(c)) {
            fail();
        }
    }

    bool atEnd() const { return pos_ >= tokens_.size(); }

    const SqlToken& peek() const {
        static const SqlToken end{SqlToken::Kind::Punctuation, QString(), false, -1};
        return atEnd() ? end : tokens_.at(pos_);
    }

    const SqlToken& peekAt(qsizetype ahead) const {
        static const SqlToken end{SqlToken::Kind::Punctuation, QString(), false, -1};
        return pos_ + ahead >= tokens_.size() ? end : tokens_.at(pos_ + ahead);
    }

    const SqlToken& next() { return tokens_.at(pos_++); }

    // The server names the token at which it gave up, or the last one at the end.
    [[noreturn]] void fail() const {
        QString near;
        if (!atEnd()) {
            near = tokens_.at(pos_).spelling();
        } else if (!tokens_.isEmpty()) {
            near = tokens_.last().spelling();
        }
        throw Error(SqlError::IncorrectSyntax,
                    QStringLiteral("Incorrect syntax near '%1'.").arg(near));
    }

    QList<SqlToken> tokens_;
    qsizetype pos_ = 0;
    int parameters_ = 0;
};

} // namespace

SqlParsedStatement SqlParser::parse(const QString& sql) {
    return Parser(sql).run();
}

} // namespace tavor
