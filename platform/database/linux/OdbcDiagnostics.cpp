#include "platform/database/linux/OdbcDiagnostics.h"

#include <QRegularExpression>
#include <sqlext.h>
#include <sqlucode.h>

namespace tavor {

namespace {

bool isWarning(const OdbcDiagnostics::Record& record) {
    return record.state.startsWith(QStringLiteral("01"));
}

// "[FreeTDS][SQL Server]Login failed" reads "Login failed", as the server wrote it.
QString withoutComponentPrefixes(const QString& message) {
    static const QRegularExpression prefixes(QStringLiteral("^(\\[[^\\]]*\\])+"));
    return QString(message).remove(prefixes).trimmed();
}

QString fromSqlWChar(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace

QList<OdbcDiagnostics::Record> OdbcDiagnostics::read(SQLSMALLINT handleType, SQLHANDLE handle) {
    QList<Record> records;
    for (SQLSMALLINT index = 1;; ++index) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, index, state, &native, nullptr, 0, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            break;
        }
        std::vector<SQLWCHAR> message(static_cast<size_t>(length) + 1);
        rc = SQLGetDiagRecW(handleType, handle, index, state, &native, message.data(),
                            static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            break;
        }
        records.append({fromSqlWChar(state, 5), native,
                        withoutComponentPrefixes(fromSqlWChar(message.data(), length))});
    }
    return records;
}

Error OdbcDiagnostics::toError(const QList<Record>& records, const QString& context) {
    QList<Record> errors;
    std::copy_if(records.begin(), records.end(), std::back_inserter(errors),
                 [](const Record& record) { return !isWarning(record); });
    const QList<Record>& chosen = errors.isEmpty() ? records : errors;

    long number = ErrorNumber::ProviderError;
    const auto numbered = std::find_if(chosen.begin(), chosen.end(), [](const Record& record) {
        return record.nativeNumber != 0;
    });
    if (numbered != chosen.end()) {
        number = numbered->nativeNumber;
    }
    QStringList texts;
    for (const Record& record : chosen) {
        if (!record.message.isEmpty() && !texts.contains(record.message)) {
            texts.append(record.message);
        }
    }
    return Error(number, texts.isEmpty() ? context : texts.join(u'\n'));
}

Error OdbcDiagnostics::errorOf(SQLSMALLINT handleType, SQLHANDLE handle, const QString& context) {
    return toError(read(handleType, handle), context);
}

} // namespace tavor
