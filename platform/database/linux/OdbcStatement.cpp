#include "platform/database/linux/OdbcStatement.h"

#include "base/Error.h"
#include "platform/database/linux/OdbcDiagnostics.h"

#include <QDate>
#include <QDateTime>
#include <cstring>
#include <sqlext.h>
#include <sqlucode.h>

namespace tavor {

namespace {

// Text up to this length binds as nvarchar(n); longer text as nvarchar(max).
constexpr SQLULEN LongestShortText = 4000;
constexpr SQLLEN ChunkCharacters = 1024;

template <typename T> std::vector<char> bytesOf(const T& value) {
    std::vector<char> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

SQL_TIMESTAMP_STRUCT timestampOf(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    SQL_TIMESTAMP_STRUCT stamp{};
    stamp.year = static_cast<SQLSMALLINT>(date.year());
    stamp.month = static_cast<SQLUSMALLINT>(date.month());
    stamp.day = static_cast<SQLUSMALLINT>(date.day());
    stamp.hour = static_cast<SQLUSMALLINT>(time.hour());
    stamp.minute = static_cast<SQLUSMALLINT>(time.minute());
    stamp.second = static_cast<SQLUSMALLINT>(time.second());
    stamp.fraction = static_cast<SQLUINTEGER>(time.msec()) * 1000000u;
    return stamp;
}

} // namespace

OdbcStatement::OdbcStatement(SQLHDBC connection, int timeoutSeconds) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_))) {
        throw OdbcDiagnostics::errorOf(SQL_HANDLE_DBC, connection,
                                       QStringLiteral("No statement could be created."));
    }
    const auto seconds = static_cast<SQLULEN>(std::max(0, timeoutSeconds));
    check(SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0),
          "SQLSetStmtAttr");
}

OdbcStatement::~OdbcStatement() {
    SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

void OdbcStatement::check(SQLRETURN rc, const char* call) {
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
        throw OdbcDiagnostics::errorOf(SQL_HANDLE_STMT, handle_,
                                       QStringLiteral("%1 failed.").arg(QLatin1String(call)));
    }
}

void OdbcStatement::bind(const QList<QVariant>& parameters) {
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        bindOne(static_cast<SQLUSMALLINT>(i + 1), parameters[i]);
    }
}

void OdbcStatement::bindOne(SQLUSMALLINT position, const QVariant& value) {
    auto buffer = std::make_unique<Buffer>();
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 1;
    SQLSMALLINT digits = 0;

    if (value.isNull()) {
        buffer->indicator = SQL_NULL_DATA;
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            cType = SQL_C_BIT;
            sqlType = SQL_BIT;
            buffer->bytes = bytesOf(static_cast<unsigned char>(value.toBool() ? 1 : 0));
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            cType = SQL_C_SBIGINT;
            sqlType = SQL_BIGINT;
            columnSize = 19;
            buffer->bytes = bytesOf(static_cast<SQLBIGINT>(value.toLongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            cType = SQL_C_DOUBLE;
            sqlType = SQL_DOUBLE;
            columnSize = 15;
            buffer->bytes = bytesOf(value.toDouble());
            break;
        case QMetaType::QDate: {
            const QDate date = value.toDate();
            SQL_DATE_STRUCT day{static_cast<SQLSMALLINT>(date.year()),
                                static_cast<SQLUSMALLINT>(date.month()),
                                static_cast<SQLUSMALLINT>(date.day())};
            cType = SQL_C_TYPE_DATE;
            sqlType = SQL_TYPE_DATE;
            columnSize = 10;
            buffer->bytes = bytesOf(day);
            break;
        }
        case QMetaType::QDateTime:
            cType = SQL_C_TYPE_TIMESTAMP;
            sqlType = SQL_TYPE_TIMESTAMP;
            columnSize = 23;
            digits = 3;
            buffer->bytes = bytesOf(timestampOf(value.toDateTime()));
            break;
        case QMetaType::QByteArray: {
            const QByteArray data = value.toByteArray();
            cType = SQL_C_BINARY;
            sqlType = SQL_VARBINARY;
            columnSize = std::max<SQLULEN>(1, static_cast<SQLULEN>(data.size()));
            buffer->bytes.assign(data.begin(), data.end());
            buffer->indicator = data.size();
            break;
        }
        default: {
            const QString text = value.toString();
            const auto length = static_cast<SQLULEN>(text.size());
            sqlType = length > LongestShortText ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
            columnSize = std::max<SQLULEN>(1, length);
            const auto* data = reinterpret_cast<const char*>(text.utf16());
            buffer->bytes.assign(data, data + (text.size() + 1) * sizeof(char16_t));
            buffer->indicator = static_cast<SQLLEN>(text.size() * sizeof(char16_t));
            break;
        }
        }
        if (cType != SQL_C_WCHAR && cType != SQL_C_BINARY) {
            buffer->indicator = static_cast<SQLLEN>(buffer->bytes.size());
        }
    }
    SQLPOINTER data = buffer->bytes.empty() ? nullptr : buffer->bytes.data();
    check(SQLBindParameter(handle_, position, SQL_PARAM_INPUT, cType, sqlType, columnSize, digits,
                           data, static_cast<SQLLEN>(buffer->bytes.size()), &buffer->indicator),
          "SQLBindParameter");
    buffers_.push_back(std::move(buffer));
}

void OdbcStatement::execute(const QString& sql) {
    auto* text = const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16()));
    const SQLRETURN rc = SQLExecDirectW(handle_, text, static_cast<SQLINTEGER>(sql.size()));
    // SQL_NO_DATA: a statement that touched no row; its later results still follow.
    if (rc != SQL_NO_DATA) {
        check(rc, "SQLExecDirect");
    }
}

bool OdbcStatement::nextResult() {
    const SQLRETURN rc = SQLMoreResults(handle_);
    if (rc == SQL_NO_DATA) {
        return false;
    }
    check(rc, "SQLMoreResults");
    return true;
}

void OdbcStatement::drain() {
    while (nextResult()) {
    }
}

SQLSMALLINT OdbcStatement::columnCount() {
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(handle_, &count), "SQLNumResultCols");
    return count;
}

std::optional<QVariant> OdbcStatement::firstValueOfAllResults() {
    std::optional<QVariant> value;
    bool seenRows = false;
    do {
        if (!seenRows && columnCount() > 0) {
            seenRows = true;
            value = fetchFirstValue();
        }
    } while (nextResult());
    return value;
}

QList<QVariantList> OdbcStatement::rowsOfAllResults() {
    QList<QVariantList> rows;
    bool seenRows = false;
    do {
        if (const SQLSMALLINT columns = seenRows ? 0 : columnCount(); columns > 0) {
            seenRows = true;
            rows = fetchRows(columns);
        }
    } while (nextResult());
    return rows;
}

QList<QVariantList> OdbcStatement::fetchRows(SQLSMALLINT columns) {
    QList<QVariantList> rows;
    for (SQLRETURN rc = SQLFetch(handle_); rc != SQL_NO_DATA; rc = SQLFetch(handle_)) {
        check(rc, "SQLFetch");
        QVariantList row;
        for (SQLSMALLINT column = 1; column <= columns; ++column)
            row << readColumn(SQLUSMALLINT(column));
        rows << row;
    }
    return rows;
}

std::optional<QVariant> OdbcStatement::fetchFirstValue() {
    const SQLRETURN rc = SQLFetch(handle_);
    if (rc == SQL_NO_DATA) {
        return std::nullopt;
    }
    check(rc, "SQLFetch");
    return readColumn(1);
}

QVariant OdbcStatement::readColumn(SQLUSMALLINT column) {
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    check(SQLDescribeColW(handle_, column, nullptr, 0, nullptr, &type, &size, &digits, &nullable),
          "SQLDescribeCol");

    SQLLEN indicator = 0;
    switch (type) {
    case SQL_BIT: {
        unsigned char bit = 0;
        check(SQLGetData(handle_, column, SQL_C_BIT, &bit, sizeof bit, &indicator), "SQLGetData");
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(bit != 0);
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT number = 0;
        check(SQLGetData(handle_, column, SQL_C_SBIGINT, &number, sizeof number, &indicator),
              "SQLGetData");
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(number));
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double number = 0;
        check(SQLGetData(handle_, column, SQL_C_DOUBLE, &number, sizeof number, &indicator),
              "SQLGetData");
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(number);
    }
    case SQL_TYPE_DATE: {
        SQL_DATE_STRUCT day{};
        check(SQLGetData(handle_, column, SQL_C_TYPE_DATE, &day, sizeof day, &indicator),
              "SQLGetData");
        return indicator == SQL_NULL_DATA ? QVariant()
                                          : QVariant(QDate(day.year, day.month, day.day));
    }
    case SQL_TYPE_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT stamp{};
        check(SQLGetData(handle_, column, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &indicator),
              "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            return {};
        }
        return QDateTime(QDate(stamp.year, stamp.month, stamp.day),
                         QTime(stamp.hour, stamp.minute, stamp.second,
                               static_cast<int>(stamp.fraction / 1000000u)));
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return readBinary(column);
    default:
        // Text, and exact numbers kept exact as their text.
        return readText(column);
    }
}

QVariant OdbcStatement::readText(SQLUSMALLINT column) {
    const std::optional<QByteArray> bytes = readPieces(column, SQL_C_WCHAR);
    if (!bytes) {
        return {};
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes->constData()),
                              bytes->size() / qsizetype(sizeof(SQLWCHAR)));
}

QVariant OdbcStatement::readBinary(SQLUSMALLINT column) {
    const std::optional<QByteArray> bytes = readPieces(column, SQL_C_BINARY);
    return bytes ? QVariant(*bytes) : QVariant();
}

std::optional<QByteArray> OdbcStatement::readPieces(SQLUSMALLINT column, SQLSMALLINT cType) {
    // Each piece of text ends with a NUL that is not part of the value.
    const SQLLEN terminator = cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : 0;
    std::vector<char> piece(ChunkCharacters * sizeof(SQLWCHAR) + terminator);
    const auto pieceBytes = static_cast<SQLLEN>(piece.size());
    QByteArray value;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(handle_, column, cType, piece.data(), pieceBytes, &indicator);
        if (rc == SQL_NO_DATA) {
            break;
        }
        check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            return std::nullopt;
        }
        const bool cut = indicator == SQL_NO_TOTAL || indicator > pieceBytes - terminator;
        value.append(piece.data(), cut ? pieceBytes - terminator : indicator);
        if (rc == SQL_SUCCESS) {
            break;
        }
    }
    return value;
}

} // namespace tavor
