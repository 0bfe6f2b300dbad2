#include "platform/database/linux/OdbcConnection.h"

#include "base/Error.h"
#include "formats/connectionstring/OleDbConnectionString.h"
#include "platform/database/linux/OdbcDiagnostics.h"
#include "platform/database/linux/OdbcStatement.h"
#include "platform/database/linux/UnansweredServers.h"

#include <algorithm>
#include <sqlext.h>
#include <sqlucode.h>

namespace tavor {

namespace {

// The numbers and texts the OLE DB layer uses for these two misuses of a connection.
constexpr long OperationNotAllowedWhenOpen = 3705;
constexpr long OperationNotAllowedWhenClosed = 3704;

SQLPOINTER seconds(int value) {
    return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(0, value)));
}

bool isTimeout(const OdbcDiagnostics::Record& record) {
    return record.state == u"HYT00" || record.state == u"S1T00";
}

} // namespace

OdbcConnection::OdbcConnection(int loginTimeoutSeconds)
    : loginTimeout_(loginTimeoutSeconds > 0 ? loginTimeoutSeconds : DefaultLoginTimeout) {}

OdbcConnection::~OdbcConnection() {
    close();
}

void OdbcConnection::open(const QString& connectionString) {
    if (isOpen()) {
        throw Error(OperationNotAllowedWhenOpen,
                    QStringLiteral("Operation is not allowed when the object is open."));
    }
    const OleDbConnectionString parsed(connectionString);
    const QString odbc = parsed.toOdbc();
    if (UnansweredServers::isUnanswered(parsed.dataSource())) {
        throw Error(ErrorNumber::ProviderError,
                    QStringLiteral("Timeout expired: the server did not answer the previous "
                                   "login within the login time-out."));
    }
    connectWith(odbc, parsed.dataSource());
}

void OdbcConnection::connectWith(const QString& odbcConnectionString, const QString& server) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_))) {
        throw Error(ErrorNumber::ProviderError,
                    QStringLiteral("The ODBC driver manager could not be started."));
    }
    SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
        Error error = OdbcDiagnostics::errorOf(SQL_HANDLE_ENV, environment_,
                                               QStringLiteral("No connection could be created."));
        freeHandles();
        throw error;
    }
    // Without these an unreachable server would hold the program for minutes.
    SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT, seconds(loginTimeout_), 0);
    SQLSetConnectAttr(connection_, SQL_ATTR_CONNECTION_TIMEOUT, seconds(loginTimeout_), 0);

    auto* text =
        const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(odbcConnectionString.utf16()));
    const SQLRETURN rc = SQLDriverConnectW(connection_, nullptr, text, SQL_NTS, nullptr, 0, nullptr,
                                           SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const QList<OdbcDiagnostics::Record> records =
            OdbcDiagnostics::read(SQL_HANDLE_DBC, connection_);
        freeHandles();
        if (std::any_of(records.begin(), records.end(), isTimeout))
            UnansweredServers::remember(server, std::chrono::seconds(loginTimeout_));
        throw OdbcDiagnostics::toError(records, QStringLiteral("The server could not be reached."));
    }
}

void OdbcConnection::close() {
    if (connection_ != SQL_NULL_HDBC) {
        SQLDisconnect(connection_);
    }
    freeHandles();
}

void OdbcConnection::freeHandles() {
    if (connection_ != SQL_NULL_HDBC) {
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        connection_ = SQL_NULL_HDBC;
    }
    if (environment_ != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, environment_);
        environment_ = SQL_NULL_HENV;
    }
}

bool OdbcConnection::isOpen() const {
    return connection_ != SQL_NULL_HDBC;
}

void OdbcConnection::setCommandTimeout(int seconds) {
    commandTimeout_ = std::max(0, seconds);
}

int OdbcConnection::commandTimeout() const {
    return commandTimeout_;
}

void OdbcConnection::requireOpen() const {
    if (!isOpen()) {
        throw Error(OperationNotAllowedWhenClosed,
                    QStringLiteral("Operation is not allowed when the object is closed."));
    }
}

void OdbcConnection::execute(const QString& sql, const QList<QVariant>& parameters) {
    requireOpen();
    OdbcStatement statement(connection_, commandTimeout_);
    statement.bind(parameters);
    statement.execute(sql);
    statement.drain();
}

std::optional<QVariant> OdbcConnection::readFirstValue(const QString& sql,
                                                       const QList<QVariant>& parameters) {
    requireOpen();
    OdbcStatement statement(connection_, commandTimeout_);
    statement.bind(parameters);
    statement.execute(sql);
    return statement.firstValueOfAllResults();
}

QList<QVariantList> OdbcConnection::readRows(const QString& sql,
                                             const QList<QVariant>& parameters) {
    requireOpen();
    OdbcStatement statement(connection_, commandTimeout_);
    statement.bind(parameters);
    statement.execute(sql);
    return statement.rowsOfAllResults();
}

} // namespace tavor
