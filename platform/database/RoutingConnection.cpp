#include "platform/database/RoutingConnection.h"

#include "formats/connectionstring/ConnectionString.h"
#include "platform/database/SqlErrors.h"

namespace tavor {

RoutingConnection::RoutingConnection(Route route, Factory serverConnection)
    : route_(std::move(route)), serverConnection_(std::move(serverConnection)) {}

void RoutingConnection::open(const QString& connectionString) {
    close();
    const QString dataSource =
        ConnectionString::parse(connectionString).valueOr(QStringLiteral("Data Source"));
    std::unique_ptr<DatabaseConnection> chosen;
    if (route_.serves && route_.serves(dataSource)) {
        chosen = route_.connection();
    } else if (serverConnection_) {
        chosen = serverConnection_();
    }
    if (!chosen) {
        throw Error(
            ErrorNumber::ProviderError,
            QStringLiteral("No database server adapter is available for '%1'.").arg(dataSource));
    }
    chosen->setCommandTimeout(timeoutSeconds_);
    chosen->open(connectionString);
    target_ = std::move(chosen);
}

void RoutingConnection::close() {
    if (target_) {
        target_->close();
        target_.reset();
    }
}

bool RoutingConnection::isOpen() const {
    return target_ && target_->isOpen();
}

void RoutingConnection::setCommandTimeout(int seconds) {
    timeoutSeconds_ = seconds;
    if (target_) {
        target_->setCommandTimeout(seconds);
    }
}

int RoutingConnection::commandTimeout() const {
    return target_ ? target_->commandTimeout() : timeoutSeconds_;
}

void RoutingConnection::execute(const QString& sql, const QList<QVariant>& parameters) {
    target().execute(sql, parameters);
}

std::optional<QVariant> RoutingConnection::readFirstValue(const QString& sql,
                                                          const QList<QVariant>& parameters) {
    return target().readFirstValue(sql, parameters);
}

QList<QVariantList> RoutingConnection::readRows(const QString& sql,
                                                const QList<QVariant>& parameters) {
    return target().readRows(sql, parameters);
}

DatabaseConnection& RoutingConnection::target() {
    if (!target_) {
        throw Error(SqlError::ConnectionClosed,
                    QStringLiteral("Operation is not allowed when the connection is closed."));
    }
    return *target_;
}

} // namespace tavor
