#include "embeddedserver/EmbeddedSession.h"

#include "embeddedserver/EmbeddedBackup.h"
#include "embeddedserver/EmbeddedRestore.h"
#include "platform/database/SqlErrors.h"

#include <QDate>
#include <QDateTime>
#include <QScopeGuard>
#include <climits>
#include <sqlite3.h>

namespace tavor {

namespace {

constexpr int kProgressInstructions = 1000;
const QString kMaster = QStringLiteral("master");
const QString kDatabaseList = QStringLiteral("sysdatabases");

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

QString quoted(const QString& name) {
    QString text = name;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// SQLite column affinity for a server data type.
QString affinityOf(const QString& type) {
    static const QHash<QString, QString> affinities = {
        {QStringLiteral("int"), QStringLiteral("INTEGER")},
        {QStringLiteral("bigint"), QStringLiteral("INTEGER")},
        {QStringLiteral("smallint"), QStringLiteral("INTEGER")},
        {QStringLiteral("tinyint"), QStringLiteral("INTEGER")},
        {QStringLiteral("bit"), QStringLiteral("INTEGER")},
        {QStringLiteral("float"), QStringLiteral("REAL")},
        {QStringLiteral("real"), QStringLiteral("REAL")},
        {QStringLiteral("decimal"), QStringLiteral("NUMERIC")},
        {QStringLiteral("numeric"), QStringLiteral("NUMERIC")},
        {QStringLiteral("money"), QStringLiteral("NUMERIC")},
        {QStringLiteral("smallmoney"), QStringLiteral("NUMERIC")},
        {QStringLiteral("binary"), QStringLiteral("BLOB")},
        {QStringLiteral("varbinary"), QStringLiteral("BLOB")},
        {QStringLiteral("image"), QStringLiteral("BLOB")},
    };
    return affinities.value(type, QStringLiteral("TEXT"));
}

void bind(sqlite3_stmt* statement, int index, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        sqlite3_bind_null(statement, index);
        return;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        sqlite3_bind_int64(statement, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(statement, index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(statement, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
        return;
    }
    default:
        break;
    }
    if (value.isNull()) {
        sqlite3_bind_null(statement, index);
        return;
    }
    QString text;
    if (value.typeId() == QMetaType::QDate) {
        text = value.toDate().toString(Qt::ISODate);
    } else if (value.typeId() == QMetaType::QDateTime) {
        text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    } else {
        text = value.toString();
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
}

QVariant columnValue(sqlite3_stmt* statement) {
    switch (sqlite3_column_type(statement, 0)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(statement, 0)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, 0));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                                   sqlite3_column_bytes(statement, 0)));
    case SQLITE_TEXT:
        return QVariant(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                              sqlite3_column_bytes(statement, 0)));
    default:
        return QVariant();
    }
}

[[noreturn]] void unknownDatabase(const QString& name) {
    throw Error(SqlError::UnknownDatabase,
                QStringLiteral("Database '%1' does not exist. Make sure that the name is entered "
                               "correctly.")
                    .arg(name));
}

// sys.tables, the catalogue view of a database's user tables.
bool isTableList(const SqlObjectName& name) {
    return sameName(name.schema, QStringLiteral("sys")) &&
           sameName(name.object, QStringLiteral("tables"));
}

[[noreturn]] void invalidObject(const SqlObjectName& name) {
    throw Error(SqlError::InvalidObject,
                QStringLiteral("Invalid object name '%1'.").arg(name.spelling));
}

} // namespace

// A prepared SQLite statement, finalized on every path.
struct EmbeddedSession::Query {
    sqlite3_stmt* statement = nullptr;
    ~Query() { sqlite3_finalize(statement); }
};

EmbeddedSession::EmbeddedSession(const QString& folder, const QString& database, int timeoutSeconds)
    : catalog_(folder), profile_(EmbeddedServerProfile::read(folder)) {
    auto closeOnFailure = qScopeGuard([this] { sqlite3_close(db_); });
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        throw Error(ErrorNumber::ProviderError,
                    QStringLiteral("The embedded server cannot start a session."));
    }
    // A double-quoted name that matches no column must be an error, not a string.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_progress_handler(db_, kProgressInstructions, &EmbeddedSession::progress, this);
    startClock(timeoutSeconds);
    if (!database.isEmpty() && !sameName(database, kMaster)) {
        const std::optional<QString> stored = catalog_.storedName(database);
        if (!stored) {
            throw Error(SqlError::CannotOpenDatabase,
                        QStringLiteral("Cannot open database \"%1\" requested by the login. The "
                                       "login failed.")
                            .arg(database));
        }
        current_ = *stored;
        attach(current_);
    }
    closeOnFailure.dismiss();
}

EmbeddedSession::~EmbeddedSession() {
    sqlite3_close(db_);
}

std::optional<QVariant> EmbeddedSession::run(const SqlParsedStatement& parsed,
                                             const QList<QVariant>& parameters, int timeoutSeconds,
                                             bool wantFirstValue) {
    if (parsed.parameterCount != parameters.size()) {
        throw Error(SqlError::ParameterMismatch,
                    QStringLiteral("The statement has %1 parameter markers but %2 values were "
                                   "supplied.")
                        .arg(parsed.parameterCount)
                        .arg(parameters.size()));
    }
    parameters_ = &parameters;
    bindings_.clear();
    startClock(timeoutSeconds);
    const auto done = qScopeGuard([this] {
        parameters_ = nullptr;
        detachOthers();
    });
    return std::visit(
        Overloaded{
            [&](const SqlSelect& s) { return select(s, wantFirstValue); },
            [&](const SqlUpdate& u) { return update(u), std::optional<QVariant>(); },
            [&](const SqlInsert& i) { return insert(i), std::optional<QVariant>(); },
            [&](const SqlCreateTable& t) { return createTable(t), std::optional<QVariant>(); },
            [&](const SqlCreateDatabase& d) {
                return createDatabase(d), std::optional<QVariant>();
            },
            [&](const SqlDropDatabase& d) { return dropDatabase(d), std::optional<QVariant>(); },
            [&](const SqlBackup& b) { return backup(b), std::optional<QVariant>(); },
            [&](const SqlVerifyBackup& v) { return verifyBackup(v), std::optional<QVariant>(); },
            [&](const SqlServerProperty& p) { return serverProperty(p); },
            [&](const SqlRestoreFileList& l) {
                const QList<QVariantList> files = EmbeddedRestore::fileList(l);
                return wantFirstValue ? std::optional<QVariant>(files.value(0).value(0))
                                      : std::optional<QVariant>();
            },
            [&](const SqlRestoreDatabase& r) {
                return restoreDatabase(r), std::optional<QVariant>();
            },
            [&](const SqlCheckDatabase& c) { return checkDatabase(c), std::optional<QVariant>(); },
        },
        parsed.statement);
}

QList<QVariantList> EmbeddedSession::rows(const SqlParsedStatement& parsed, int timeoutSeconds) {
    const auto* list = std::get_if<SqlRestoreFileList>(&parsed.statement);
    if (!list)
        throw Error(SqlError::NotCapable,
                    QStringLiteral("Object or provider is not capable of performing requested "
                                   "operation: the embedded server reads whole results only of "
                                   "RESTORE FILELISTONLY."));
    startClock(timeoutSeconds);
    return EmbeddedRestore::fileList(*list);
}

std::optional<QVariant> EmbeddedSession::select(const SqlSelect& s, bool wantFirstValue) {
    const QString sql = selectText(s);
    return query(sql, bindings_, wantFirstValue);
}

void EmbeddedSession::update(const SqlUpdate& u) {
    QStringList assignments;
    const QString table = tableOf(u.table);
    for (const auto& [column, value] : u.assignments) {
        assignments.append(quoted(column) + QStringLiteral(" = ") + marker(value));
    }
    runSql(QStringLiteral("UPDATE %1 SET %2%3")
               .arg(table, assignments.join(QStringLiteral(", ")), whereText(u.where)),
           bindings_);
}

void EmbeddedSession::insert(const SqlInsert& i) {
    const qsizetype supplied = i.source ? i.source->items.size() : i.values.size();
    if (supplied != i.columns.size()) {
        throw Error(SqlError::ColumnCountMismatch,
                    QStringLiteral("Column name or number of supplied values does not match "
                                   "table definition."));
    }
    QStringList columns;
    for (const QString& column : i.columns) {
        columns.append(quoted(column));
    }
    QString sql = QStringLiteral("INSERT INTO %1 (%2) ")
                      .arg(tableOf(i.table), columns.join(QStringLiteral(", ")));
    if (i.source) {
        sql += selectText(*i.source);
    } else {
        QStringList markers;
        for (const SqlValue& value : i.values) {
            markers.append(marker(value));
        }
        sql += QStringLiteral("VALUES (%1)").arg(markers.join(QStringLiteral(", ")));
    }
    runSql(sql, bindings_);
}

void EmbeddedSession::createTable(const SqlCreateTable& t) {
    const QString schema = schemaFor(t.table);
    if (tableExists(schema, t.table.object)) {
        throw Error(SqlError::ObjectExists,
                    QStringLiteral("There is already an object named '%1' in the database.")
                        .arg(t.table.object));
    }
    QStringList columns;
    for (const SqlColumnDefinition& c : t.columns) {
        QString column = quoted(c.name) + QLatin1Char(' ') + affinityOf(c.type);
        if (c.notNull) {
            column += QStringLiteral(" NOT NULL");
        }
        if (c.caseInsensitive) {
            column += QStringLiteral(" COLLATE NOCASE");
        }
        columns.append(column);
    }
    runSql(QStringLiteral("CREATE TABLE %1.%2 (%3)")
               .arg(quoted(schema), quoted(t.table.object), columns.join(QStringLiteral(", "))));
}

void EmbeddedSession::createDatabase(const SqlCreateDatabase& d) {
    catalog_.create(d.name);
}

void EmbeddedSession::dropDatabase(const SqlDropDatabase& d) {
    if (!current_.isEmpty() && sameName(d.name, current_)) {
        throw Error(SqlError::CannotDropInUse,
                    QStringLiteral("Cannot drop database \"%1\" because it is currently in use.")
                        .arg(d.name));
    }
    detachOthers();
    catalog_.drop(d.name);
}

void EmbeddedSession::backup(const SqlBackup& b) {
    checkBackupOptions(b);
    const std::optional<QString> stored = catalog_.storedName(b.database);
    if (!stored) {
        unknownDatabase(b.database);
    }
    EmbeddedBackup::Request request;
    request.source = db_;
    request.schema = attach(*stored);
    request.databaseName = *stored;
    request.targetFile = b.disk;
    request.init = b.init;
    request.format = b.format;
    request.mediaPassword = b.mediaPassword;
    request.checksum = b.checksum;
    request.certificate = b.encryption ? b.encryption->certificate : QString();
    EmbeddedBackup::write(request, [this] { return expired(); });
}

// What the server generation played takes: no media password from version 11 on,
// no encryption before version 12, nor on Express or Web, nor with a certificate it
// does not hold.
void EmbeddedSession::checkBackupOptions(const SqlBackup& b) const {
    const auto unknownOption = [](const char* option) {
        throw Error(
            SqlError::UnknownBackupOption,
            QStringLiteral("'%1' is not a recognized BACKUP option.").arg(QLatin1String(option)));
    };
    if (b.mediaPassword && profile_.refusesMediaPassword())
        unknownOption("MEDIAPASSWORD");
    if (!b.encryption)
        return;
    if (!profile_.knowsEncryption())
        unknownOption("ENCRYPTION");
    static const QStringList algorithms = {QStringLiteral("AES_128"), QStringLiteral("AES_192"),
                                           QStringLiteral("AES_256"),
                                           QStringLiteral("TRIPLE_DES_3KEY")};
    if (!algorithms.contains(b.encryption->algorithm, Qt::CaseInsensitive))
        throw Error(SqlError::IncorrectSyntax,
                    QStringLiteral("Incorrect syntax near '%1'.").arg(b.encryption->algorithm));
    if (!profile_.editionEncryptsBackups())
        throw Error(SqlError::NotOnThisEdition,
                    QStringLiteral("BACKUP DATABASE WITH ENCRYPTION is not supported on %1.")
                        .arg(profile_.editionName()));
    if (!profile_.hasCertificate(b.encryption->certificate))
        throw Error(SqlError::UnknownCertificate,
                    QStringLiteral("Cannot find the certificate '%1', because it does not exist "
                                   "or you do not have permission.")
                        .arg(b.encryption->certificate));
}

void EmbeddedSession::verifyBackup(const SqlVerifyBackup& v) {
    EmbeddedBackup::Verification verification;
    verification.targetFile = v.disk;
    verification.checksum = v.checksum;
    verification.mediaPassword = v.mediaPassword;
    EmbeddedBackup::verify(verification);
}

void EmbeddedSession::restoreDatabase(const SqlRestoreDatabase& r) {
    detachOthers();
    EmbeddedRestore::restore(catalog_, r, [this] { return expired(); });
}

void EmbeddedSession::checkDatabase(const SqlCheckDatabase& c) {
    const std::optional<QString> stored = catalog_.storedName(c.database);
    if (!stored)
        throw Error(SqlError::DatabaseNotFound,
                    QStringLiteral("Could not find database '%1'. The database either does not "
                                   "exist, or was dropped before a statement tried to use it. "
                                   "Verify if the database exists by querying the "
                                   "sys.databases catalog view.")
                        .arg(c.database));
    EmbeddedRestore::check(db_, attach(*stored), *stored);
}

// An unknown property is NULL, as on the server.
std::optional<QVariant> EmbeddedSession::serverProperty(const SqlServerProperty& p) const {
    QVariant value;
    if (sameName(p.name, QStringLiteral("ProductVersion")))
        value = profile_.productVersion;
    else if (sameName(p.name, QStringLiteral("EngineEdition")))
        value = p.asText ? QVariant(QString::number(profile_.engineEdition))
                         : QVariant(qlonglong(profile_.engineEdition));
    else if (sameName(p.name, QStringLiteral("Edition")))
        value = profile_.editionName();
    return value;
}

QString EmbeddedSession::selectText(const SqlSelect& s) {
    QStringList items;
    for (const SqlSelectItem& item : s.items) {
        items.append(item.countAll ? QStringLiteral("COUNT(*)") : quoted(item.column));
    }
    const QString from = tableOf(s.from);
    return QStringLiteral("SELECT %1 FROM %2%3")
        .arg(items.join(QStringLiteral(", ")), from, whereText(s.where));
}

// Text compares without regard to case, as under the server's default collation.
QString EmbeddedSession::whereText(const QList<SqlCondition>& conditions) {
    QStringList terms;
    for (const SqlCondition& c : conditions) {
        terms.append(quoted(c.column) + QStringLiteral(" = ") + marker(c.value) +
                     QStringLiteral(" COLLATE NOCASE"));
    }
    return terms.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

// Every value, literal or parameter, reaches SQLite bound, never as text.
QString EmbeddedSession::marker(const SqlValue& value) {
    bindings_.append(value.parameterIndex >= 0 ? parameters_->at(value.parameterIndex)
                                               : value.literal);
    return QStringLiteral("?");
}

QString EmbeddedSession::tableOf(const SqlObjectName& name) {
    if (isTableList(name))
        return userTablesOf(name);
    const QString schema = schemaFor(name);
    if (schema == QLatin1String("temp")) {
        refreshDatabaseList();
    }
    if (!tableExists(schema, name.object)) {
        invalidObject(name);
    }
    return quoted(schema) + QLatin1Char('.') + quoted(name.object);
}

// The user tables of a database, as its sys.tables lists them; the media record of
// a restored backup is the stand-in's own and no table of the database.
QString EmbeddedSession::userTablesOf(const SqlObjectName& name) {
    const QString database = name.database.isEmpty() ? current_ : name.database;
    if (database.isEmpty() || sameName(database, kMaster))
        invalidObject(name);
    return QStringLiteral("(SELECT name, 0 AS is_ms_shipped FROM %1.sqlite_master WHERE type = "
                          "'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> '%2')")
        .arg(quoted(attach(database)), QLatin1String(EmbeddedBackup::mediaTable()));
}

// The attached schema that holds a named object; the database list of master
// lives in the temporary schema.
QString EmbeddedSession::schemaFor(const SqlObjectName& name) {
    if (!name.schema.isEmpty() && !sameName(name.schema, QStringLiteral("dbo"))) {
        invalidObject(name);
    }
    const QString database = name.database.isEmpty() ? current_ : name.database;
    if (database.isEmpty() || sameName(database, kMaster)) {
        if (!sameName(name.object, kDatabaseList)) {
            invalidObject(name);
        }
        return QStringLiteral("temp");
    }
    if (sameName(name.object, kDatabaseList) && name.database.isEmpty()) {
        return QStringLiteral("temp");
    }
    return attach(database);
}

bool EmbeddedSession::tableExists(const QString& schema, const QString& table) {
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type IN "
                                       "('table', 'view') AND name = ? COLLATE NOCASE")
                            .arg(quoted(schema));
    return query(sql, {table}, true).value_or(QVariant()).toLongLong() > 0;
}

void EmbeddedSession::refreshDatabaseList() {
    runSql(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (name TEXT COLLATE NOCASE)")
               .arg(kDatabaseList));
    runSql(QStringLiteral("DELETE FROM temp.%1").arg(kDatabaseList));
    QStringList names = catalog_.names();
    names.prepend(kMaster);
    for (const QString& name : names) {
        runSql(QStringLiteral("INSERT INTO temp.%1 (name) VALUES (?)").arg(kDatabaseList), {name});
    }
}

QString EmbeddedSession::attach(const QString& database) {
    const std::optional<QString> stored = catalog_.storedName(database);
    if (!stored) {
        unknownDatabase(database);
    }
    const QString key = stored->toLower();
    if (const auto found = attached_.constFind(key); found != attached_.constEnd()) {
        return *found;
    }
    const QString alias = QStringLiteral("db%1").arg(++aliasCounter_);
    runSql(QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoted(alias)),
           {catalog_.fileOf(*stored)});
    attached_.insert(key, alias);
    return alias;
}

void EmbeddedSession::detachOthers() {
    const QString keep = current_.toLower();
    for (auto it = attached_.begin(); it != attached_.end();) {
        if (it.key() == keep) {
            ++it;
            continue;
        }
        const QByteArray sql = QStringLiteral("DETACH DATABASE %1").arg(quoted(*it)).toUtf8();
        sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr);
        it = attached_.erase(it);
    }
}

void EmbeddedSession::runSql(const QString& sql, const QList<QVariant>& bindings) {
    query(sql, bindings, false);
}

std::optional<QVariant> EmbeddedSession::query(const QString& sql, const QList<QVariant>& bindings,
                                               bool wantFirstValue) {
    Query q;
    const QByteArray utf8 = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db_, utf8.constData(), utf8.size(), &q.statement, nullptr);
    if (rc != SQLITE_OK) {
        raise(rc);
    }
    for (int i = 0; i < bindings.size(); ++i) {
        bind(q.statement, i + 1, bindings.at(i));
    }
    std::optional<QVariant> first;
    while ((rc = sqlite3_step(q.statement)) == SQLITE_ROW) {
        if (wantFirstValue && !first) {
            first = columnValue(q.statement);
        }
    }
    if (rc != SQLITE_DONE) {
        raise(rc);
    }
    return first;
}

void EmbeddedSession::raise(int resultCode) {
    if (timedOut_ || resultCode == SQLITE_INTERRUPT) {
        throw Error(SqlError::Timeout, QStringLiteral("Query timeout expired"));
    }
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    const QString noColumn = QStringLiteral("no such column: ");
    if (message.startsWith(noColumn)) {
        throw Error(SqlError::InvalidColumn,
                    QStringLiteral("Invalid column name '%1'.").arg(message.mid(noColumn.size())));
    }
    if ((resultCode & 0xff) == SQLITE_CONSTRAINT && message.contains(QLatin1String("NOT NULL"))) {
        throw Error(515, QStringLiteral("Cannot insert the value NULL into a column that does not "
                                        "allow nulls: %1")
                             .arg(message));
    }
    throw Error(ErrorNumber::ProviderError,
                QStringLiteral("The embedded server failed: %1").arg(message));
}

void EmbeddedSession::startClock(int timeoutSeconds) {
    timedOut_ = false;
    limitMs_ = qint64(timeoutSeconds) * 1000;
    clock_.start();
    sqlite3_busy_timeout(db_, timeoutSeconds > 0 ? timeoutSeconds * 1000 : INT_MAX);
}

bool EmbeddedSession::expired() const {
    return limitMs_ > 0 && clock_.elapsed() >= limitMs_;
}

// Called by SQLite while a statement runs; a non-zero answer interrupts it.
int EmbeddedSession::progress(void* self) {
    auto* session = static_cast<EmbeddedSession*>(self);
    if (session->expired()) {
        session->timedOut_ = true;
        return 1;
    }
    return 0;
}

} // namespace tavor
