// Any statement text: the tokenizer either splits it or raises tavor::Error, and
// every token lies inside the text.

#include "base/Error.h"
#include "embeddedserver/SqlTokenizer.h"
#include "support/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        qsizetype previous = -1;
        for (const tavor::SqlToken& token : tavor::SqlTokenizer::tokenize(sql)) {
            TAVOR_FUZZ_CHECK(token.position > previous && token.position < sql.size());
            previous = token.position;
            token.spelling();
        }
    } catch (const tavor::Error&) {
    }
    return 0;
}
