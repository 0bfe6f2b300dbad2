#pragma once

#include "embeddedserver/EmbeddedCatalog.h"
#include "embeddedserver/EmbeddedServerProfile.h"
#include "embeddedserver/SqlStatement.h"

#include <QElapsedTimer>
#include <QHash>
#include <optional>

struct sqlite3;

namespace tavor {

// One open session of the embedded server: an SQLite handle whose main schema is
// empty (the server's master) and to which the databases of the catalogue are
// attached as a statement names them. The current database stays attached;
// others are detached after each statement so that their files stay free.
class EmbeddedSession {
public:
    // Raises tavor::Error 4060 when the database does not exist; an empty name
    // opens on master. A database file locked by another process is waited for up
    // to timeoutSeconds (0 waits for ever), as any statement waits.
    EmbeddedSession(const QString& folder, const QString& database, int timeoutSeconds);
    ~EmbeddedSession();
    EmbeddedSession(const EmbeddedSession&) = delete;
    EmbeddedSession& operator=(const EmbeddedSession&) = delete;

    // Runs a parsed statement; with wantFirstValue set returns the first column
    // of the first row of a query. timeoutSeconds 0 waits for ever.
    std::optional<QVariant> run(const SqlParsedStatement& parsed, const QList<QVariant>& parameters,
                                int timeoutSeconds, bool wantFirstValue);
    // Every row of a statement's result; the stand-in reads whole results only of
    // RESTORE FILELISTONLY, and refuses any other statement.
    QList<QVariantList> rows(const SqlParsedStatement& parsed, int timeoutSeconds);

private:
    struct Query;

    std::optional<QVariant> select(const SqlSelect& s, bool wantFirstValue);
    void update(const SqlUpdate& u);
    void insert(const SqlInsert& i);
    void createTable(const SqlCreateTable& t);
    void createDatabase(const SqlCreateDatabase& d);
    void dropDatabase(const SqlDropDatabase& d);
    void backup(const SqlBackup& b);
    void checkBackupOptions(const SqlBackup& b) const;
    void verifyBackup(const SqlVerifyBackup& v);
    void restoreDatabase(const SqlRestoreDatabase& r);
    void checkDatabase(const SqlCheckDatabase& c);
    std::optional<QVariant> serverProperty(const SqlServerProperty& p) const;

    QString selectText(const SqlSelect& s);
    QString whereText(const QList<SqlCondition>& conditions);
    QString marker(const SqlValue& value);
    QString tableOf(const SqlObjectName& name);
    QString userTablesOf(const SqlObjectName& name);
    QString schemaFor(const SqlObjectName& name);
    bool tableExists(const QString& schema, const QString& table);
    void refreshDatabaseList();

    QString attach(const QString& database);
    void detachOthers();
    void runSql(const QString& sql, const QList<QVariant>& bindings = {});
    std::optional<QVariant> query(const QString& sql, const QList<QVariant>& bindings,
                                  bool wantFirstValue);
    [[noreturn]] void raise(int resultCode);

    void startClock(int timeoutSeconds);
    bool expired() const;
    static int progress(void* self);

    EmbeddedCatalog catalog_;
    EmbeddedServerProfile profile_;
    sqlite3* db_ = nullptr;
    QString current_;                  // stored name; empty on master
    QHash<QString, QString> attached_; // lower-case name -> schema alias
    int aliasCounter_ = 0;

    // State of the statement now running.
    const QList<QVariant>* parameters_ = nullptr;
    QList<QVariant> bindings_;
    QElapsedTimer clock_;
    qint64 limitMs_ = 0;
    bool timedOut_ = false;
};

} // namespace tavor
