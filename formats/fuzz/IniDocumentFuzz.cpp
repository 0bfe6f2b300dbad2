// An INI document of any bytes: parsing never fails, and an entry set in it reads
// back the same, before and after the document is written out and parsed again.

#include "base/Error.h"
#include "formats/ini/IniDocument.h"
#include "support/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QString section = QString::fromUtf8(input.ConsumeRandomLengthString(32));
    const QString key = QString::fromUtf8(input.ConsumeRandomLengthString(32));
    const QString value = QString::fromUtf8(input.ConsumeRandomLengthString(64));
    const std::string text = input.ConsumeRemainingBytesAsString();

    tavor::IniDocument document =
        tavor::IniDocument::parse(QByteArray(text.data(), qsizetype(text.size())));
    document.entries(section);
    document.value(section, key);
    try {
        document.setValue(section, key, value);
    } catch (const tavor::Error&) {
        return 0;
    }
    TAVOR_FUZZ_CHECK(document.value(section, key) == value);
    const tavor::IniDocument reread = tavor::IniDocument::parse(document.toBytes());
    TAVOR_FUZZ_CHECK(reread.value(section, key) == value);
    return 0;
}
