#pragma once

#include "cabinet/MszipBlockDecoder.h"
#include "safewrite/ContentChecksum.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace tavor {

// Checks a cabinet of this program's layout as its bytes come, in order from its
// start and in pieces of any size: every data block's record, its checksum, and its
// payload unpacked, keeping only the block at hand. What the header will say of
// the whole is checked once the last bytes are in (finish()).
class CabinetStreamCheck {
public:
    // Takes the next bytes. Returns what is wrong, as the end of a sentence naming
    // the cabinet ("has ..."); empty while nothing is.
    QString take(const std::uint8_t* data, std::size_t size);

    // After the last bytes, with the records as the cabinet holds them now (its
    // first bytes, up to where its data blocks start) and its size: what is wrong
    // with the whole, empty when nothing is.
    QString finish(const QByteArray& records, std::int64_t fileSize) const;

    // Where the data blocks start; 0 until the records said so.
    std::int64_t dataStart() const { return dataStart_; }
    const ContentChecksum& unpacked() const { return unpacked_; }

private:
    std::size_t takeRecords(const std::uint8_t* data, std::size_t size);
    std::size_t fill(const std::uint8_t* data, std::size_t size, std::size_t wanted);
    QString blockProblem();

    std::vector<std::uint8_t> pending_;
    std::int64_t dataStart_ = 0;
    std::int64_t taken_ = 0;
    std::uint32_t blocks_ = 0;
    bool sawShortBlock_ = false;
    QString problem_;
    MszipBlockDecoder decoder_;
    ContentChecksum unpacked_;
};

} // namespace tavor
