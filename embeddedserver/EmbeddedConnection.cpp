#include "embeddedserver/EmbeddedConnection.h"

#include "embeddedserver/EmbeddedSession.h"
#include "embeddedserver/SqlParser.h"
#include "formats/connectionstring/ConnectionString.h"
#include "platform/database/SqlErrors.h"

#include <QDir>

namespace tavor {

namespace {
const QString kPrefix = QStringLiteral("embedded:");
}

EmbeddedConnection::EmbeddedConnection() = default;
EmbeddedConnection::~EmbeddedConnection() = default;

bool EmbeddedConnection::servesDataSource(const QString& dataSource) {
    return dataSource.trimmed().startsWith(kPrefix, Qt::CaseInsensitive);
}

void EmbeddedConnection::open(const QString& connectionString) {
    const ConnectionString fields = ConnectionString::parse(connectionString);
    const QString dataSource = fields.valueOr(QStringLiteral("Data Source")).trimmed();
    if (!servesDataSource(dataSource)) {
        throw Error(
            ErrorNumber::ProviderError,
            QStringLiteral("The data source '%1' is not an embedded server.").arg(dataSource));
    }
    const QString folder = dataSource.mid(kPrefix.size()).trimmed();
    if (folder.isEmpty() || !QDir(folder).exists()) {
        throw Error(ErrorNumber::ProviderError,
                    QStringLiteral("Server does not exist or access denied: the embedded server "
                                   "folder '%1' does not exist.")
                        .arg(folder));
    }
    session_.reset();
    session_ = std::make_unique<EmbeddedSession>(
        folder, fields.valueOr(QStringLiteral("Initial Catalog")).trimmed(), timeoutSeconds_);
}

void EmbeddedConnection::close() {
    session_.reset();
}

bool EmbeddedConnection::isOpen() const {
    return session_ != nullptr;
}

void EmbeddedConnection::setCommandTimeout(int seconds) {
    timeoutSeconds_ = seconds < 0 ? 0 : seconds;
}

int EmbeddedConnection::commandTimeout() const {
    return timeoutSeconds_;
}

void EmbeddedConnection::execute(const QString& sql, const QList<QVariant>& parameters) {
    if (!session_) {
        throw Error(SqlError::ConnectionClosed,
                    QStringLiteral("Operation is not allowed when the connection is closed."));
    }
    session_->run(SqlParser::parse(sql), parameters, timeoutSeconds_, false);
}

std::optional<QVariant> EmbeddedConnection::readFirstValue(const QString& sql,
                                                           const QList<QVariant>& parameters) {
    if (!session_) {
        throw Error(SqlError::ConnectionClosed,
                    QStringLiteral("Operation is not allowed when the connection is closed."));
    }
    const SqlParsedStatement parsed = SqlParser::parse(sql);
    if (!std::holds_alternative<SqlSelect>(parsed.statement) &&
        !std::holds_alternative<SqlServerProperty>(parsed.statement)) {
        throw Error(SqlError::NoRecordset,
                    QStringLiteral("Operation is not allowed when the object is closed: the "
                                   "statement returns no rows."));
    }
    return session_->run(parsed, parameters, timeoutSeconds_, true);
}

QList<QVariantList> EmbeddedConnection::readRows(const QString& sql,
                                                 const QList<QVariant>& parameters) {
    if (!session_) {
        throw Error(SqlError::ConnectionClosed,
                    QStringLiteral("Operation is not allowed when the connection is closed."));
    }
    const SqlParsedStatement parsed = SqlParser::parse(sql);
    if (parsed.parameterCount != parameters.size())
        throw Error(SqlError::ParameterMismatch,
                    QStringLiteral("The statement has %1 parameter markers but %2 values were "
                                   "supplied.")
                        .arg(parsed.parameterCount)
                        .arg(parameters.size()));
    return session_->rows(parsed, timeoutSeconds_);
}

} // namespace tavor
