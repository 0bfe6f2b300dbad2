#pragma once

#include "cabinet/CabinetWriter.h"
#include "platform/cabinet/CabinetCompressor.h"

namespace tavor {

// The cabinet compressor built on our MSZIP cabinet writer: one file per cabinet,
// named inside it after the source file itself unless the list gives a name.
class MszipCabinetCompressor : public CabinetCompressor {
public:
    explicit MszipCabinetCompressor(SystemCalls& calls = SystemCalls::host(),
                                    CabinetWriterOptions options = {});

    void compress() override;

private:
    CabinetWriter writer_;
};

} // namespace tavor
