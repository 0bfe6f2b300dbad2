#pragma once

#include "embeddedserver/EmbeddedConnection.h"

namespace tavor {

// The embedded server's connection, but when verification is off the server is
// never asked to read a backup back: the run with and without it can be compared.
class ServerConnection : public DatabaseConnection {
public:
    explicit ServerConnection(bool verify) : verify_(verify) {}
    void open(const QString& connectionString) override { server_.open(connectionString); }
    void close() override { server_.close(); }
    bool isOpen() const override { return server_.isOpen(); }
    void setCommandTimeout(int seconds) override { server_.setCommandTimeout(seconds); }
    int commandTimeout() const override { return server_.commandTimeout(); }
    void execute(const QString& sql, const QList<QVariant>& parameters) override {
        if (verify_ || !sql.startsWith(QLatin1String("RESTORE VERIFYONLY")))
            server_.execute(sql, parameters);
    }
    std::optional<QVariant> readFirstValue(const QString& sql,
                                           const QList<QVariant>& parameters) override {
        return server_.readFirstValue(sql, parameters);
    }

private:
    EmbeddedConnection server_;
    bool verify_;
};

} // namespace tavor
