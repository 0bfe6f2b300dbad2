#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <sql.h>
#include <vector>

namespace tavor {

// One statement on an open ODBC connection: its parameters, its query time-out and
// every result it sends. Failures raise tavor::Error.
class OdbcStatement {
public:
    OdbcStatement(SQLHDBC connection, int timeoutSeconds);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    // Binds each value to the '?' marker of the same position.
    void bind(const QList<QVariant>& parameters);
    void execute(const QString& sql);

    // First column of the first row of the first result that has columns, after every
    // later result has been read too (an error in any of them raises).
    std::optional<QVariant> firstValueOfAllResults();
    // Every row of the first result that has columns, with the same reading of the
    // later results.
    QList<QVariantList> rowsOfAllResults();
    // Reads and discards every remaining result.
    void drain();

private:
    struct Buffer {
        std::vector<char> bytes;
        SQLLEN indicator = 0;
    };

    void bindOne(SQLUSMALLINT position, const QVariant& value);
    bool nextResult();
    SQLSMALLINT columnCount();
    std::optional<QVariant> fetchFirstValue();
    QList<QVariantList> fetchRows(SQLSMALLINT columns);
    QVariant readColumn(SQLUSMALLINT column);
    QVariant readText(SQLUSMALLINT column);
    QVariant readBinary(SQLUSMALLINT column);
    std::optional<QByteArray> readPieces(SQLUSMALLINT column, SQLSMALLINT cType);
    void check(SQLRETURN rc, const char* call);

    SQLHSTMT handle_ = SQL_NULL_HSTMT;
    std::vector<std::unique_ptr<Buffer>> buffers_;
};

} // namespace tavor
