#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

namespace tavor {

// Encodes one block of at most 32 KiB as a complete cabinet data block: its record,
// the MSZIP signature and a deflate stream of its own, so that blocks can be
// encoded in any order and on any thread. One encoder per thread.
class MszipBlockEncoder {
public:
    explicit MszipBlockEncoder(int level);
    ~MszipBlockEncoder();

    MszipBlockEncoder(const MszipBlockEncoder&) = delete;
    MszipBlockEncoder& operator=(const MszipBlockEncoder&) = delete;

    // The most bytes one encoded block can take.
    std::size_t maxEncodedSize() const { return maxEncodedSize_; }

    // Writes the encoded block to out (maxEncodedSize() bytes) and returns its length.
    std::size_t encode(const std::uint8_t* data, std::size_t size, std::uint8_t* out);

private:
    libdeflate_compressor* compressor_;
    std::size_t maxEncodedSize_;
};

} // namespace tavor
