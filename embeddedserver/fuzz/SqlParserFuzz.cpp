// Any statement text: the parser either reads it or raises tavor::Error.

#include "base/Error.h"
#include "embeddedserver/SqlParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tavor::SqlParser::parse(
            QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const tavor::Error&) {
    }
    return 0;
}
