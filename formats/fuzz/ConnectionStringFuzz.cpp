// Any connection string: parsing and the ODBC translation succeed or raise
// tavor::Error whose description never shows the password, and a field written by
// field() reads back exactly.

#include "base/Error.h"
#include "formats/connectionstring/ConnectionString.h"
#include "formats/connectionstring/OleDbConnectionString.h"
#include "support/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Long enough not to turn up in a description by chance, and written only once.
bool isTelltale(const QString& password, const QString& text) {
    return password.size() >= 6 && text.count(password) == 1;
}

// A key that field() is meant to write: named, without separators or blanks around it.
bool isPlainKey(const QString& key) {
    return !key.isEmpty() && key == key.trimmed() && !key.contains(QLatin1Char('=')) &&
           !key.contains(QLatin1Char(';'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QString key = QString::fromUtf8(input.ConsumeRandomLengthString(16));
    const QString value = QString::fromUtf8(input.ConsumeRandomLengthString(32));
    const QString text = QString::fromUtf8(input.ConsumeRemainingBytesAsString());

    const tavor::ConnectionString lenient = tavor::ConnectionString::parse(text);
    const QString password =
        lenient.valueOfAny({QStringLiteral("Password"), QStringLiteral("PWD")}).value_or(QString());
    try {
        tavor::ConnectionString::parseStrictly(text);
    } catch (const tavor::Error& error) {
        if (isTelltale(password, text))
            TAVOR_FUZZ_CHECK(!error.description().contains(password));
    }
    try {
        tavor::OleDbConnectionString(text).toOdbc();
    } catch (const tavor::Error& error) {
        if (isTelltale(password, text))
            TAVOR_FUZZ_CHECK(!error.description().contains(password));
    }

    if (isPlainKey(key)) {
        const tavor::ConnectionString reread =
            tavor::ConnectionString::parse(tavor::ConnectionString::field(key, value));
        TAVOR_FUZZ_CHECK(reread.keys() == QStringList{key});
        TAVOR_FUZZ_CHECK(reread.value(key) == value);
    }
    return 0;
}
