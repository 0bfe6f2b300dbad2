#pragma once

#include "base/Error.h"
#include "platform/database/DatabaseConnection.h"

#include <QHash>
#include <QStringList>

namespace tavor {

// A branch database held in memory: the connection strings it was opened with,
// the statements it ran, and answers to first-value queries by their exact text.
struct FakeDatabaseState {
    bool refuseOpen = false;
    // While set, statements that return no rows raise, as a server that refuses writes.
    bool refuseExecute = false;
    QStringList openedWith;
    QStringList statements;
    QHash<QString, QVariant> answers;
};

class FakeConnection : public DatabaseConnection {
public:
    explicit FakeConnection(std::shared_ptr<FakeDatabaseState> state) : state_(std::move(state)) {}

    void open(const QString& connectionString) override {
        state_->openedWith.append(connectionString);
        if (state_->refuseOpen)
            throw Error(ErrorNumber::ProviderError,
                        QStringLiteral("[DBNETLIB]SQL Server does not exist or access denied."));
        open_ = true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setCommandTimeout(int seconds) override { timeout_ = seconds; }
    int commandTimeout() const override { return timeout_; }
    void execute(const QString& sql, const QList<QVariant>&) override {
        requireOpen();
        state_->statements.append(sql);
        if (state_->refuseExecute)
            throw Error(ErrorNumber::ProviderError, QStringLiteral("The statement was refused."));
    }
    std::optional<QVariant> readFirstValue(const QString& sql, const QList<QVariant>&) override {
        requireOpen();
        state_->statements.append(sql);
        if (!state_->answers.contains(sql))
            return std::nullopt;
        return state_->answers.value(sql);
    }

private:
    void requireOpen() const {
        if (!open_)
            throw Error(3704,
                        QStringLiteral("Operation is not allowed when the object is closed."));
    }

    std::shared_ptr<FakeDatabaseState> state_;
    bool open_ = false;
    int timeout_ = 30;
};

class FakeDatabaseProvider : public DatabaseProvider {
public:
    std::shared_ptr<FakeDatabaseState> state = std::make_shared<FakeDatabaseState>();
    std::unique_ptr<DatabaseConnection> createConnection() override {
        return std::make_unique<FakeConnection>(state);
    }
};

} // namespace tavor
