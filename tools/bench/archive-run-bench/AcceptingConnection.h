#pragma once

#include "platform/database/DatabaseConnection.h"

namespace tavor {

// A server connection that accepts every statement and does nothing, so that a
// run's server backups cost nothing and the rest of the run can be timed.
class AcceptingConnection : public DatabaseConnection {
public:
    void open(const QString&) override { open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setCommandTimeout(int seconds) override { timeout_ = seconds; }
    int commandTimeout() const override { return timeout_; }
    void execute(const QString&, const QList<QVariant>&) override {}
    std::optional<QVariant> readFirstValue(const QString&, const QList<QVariant>&) override {
        return std::nullopt;
    }

private:
    bool open_ = false;
    int timeout_ = 0;
};

} // namespace tavor
