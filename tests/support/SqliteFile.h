#pragma once

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>
#include <sqlite3.h>

// Direct access to an SQLite file, to prepare and inspect what the embedded
// server keeps, independently of the code under test.
class SqliteFile {
public:
    explicit SqliteFile(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr);
    }
    ~SqliteFile() { sqlite3_close(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    void exec(const QString& sql) {
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
        ASSERT_EQ(rc, SQLITE_OK) << (message ? message : "") << " in " << sql.toStdString();
    }

    // First column of the first row; a null QVariant when there is no row.
    QVariant scalar(const QString& sql) {
        sqlite3_stmt* statement = nullptr;
        QVariant result;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &statement, nullptr) !=
            SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql.toStdString();
            return result;
        }
        if (sqlite3_step(statement) == SQLITE_ROW) {
            switch (sqlite3_column_type(statement, 0)) {
            case SQLITE_INTEGER:
                result = QVariant(qlonglong(sqlite3_column_int64(statement, 0)));
                break;
            case SQLITE_NULL:
                result = QVariant(QStringLiteral("<null>"));
                break;
            default:
                result = QVariant(QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
            }
        }
        sqlite3_finalize(statement);
        return result;
    }

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};
