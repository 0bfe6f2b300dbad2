#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <zlib.h>

struct libdeflate_compressor;

namespace tavor {

// Encodes one block of at most 32 KiB as a complete cabinet data block: its record,
// the MSZIP signature and a deflate stream of its own, so that blocks can be
// encoded in any order and on any thread. One encoder per thread.
//
// A block goes out either on its own (libdeflate, the fastest), or with the 32 KiB
// of the source before it as its history (zlib with that as its dictionary: slower,
// and smaller, as readers keep the window from one block to the next).
class MszipBlockEncoder {
public:
    explicit MszipBlockEncoder(int level);
    ~MszipBlockEncoder();

    // The deflate level of blocks with a history (zlib's, 1 to 9).
    static int historyLevel(int level);

    MszipBlockEncoder(const MszipBlockEncoder&) = delete;
    MszipBlockEncoder& operator=(const MszipBlockEncoder&) = delete;

    // The most bytes one encoded block can take.
    std::size_t maxEncodedSize() const { return maxEncodedSize_; }

    // Writes the encoded block to out (maxEncodedSize() bytes) and returns its length;
    // history, when not empty, is the source just before data.
    std::size_t encode(std::span<const std::uint8_t> history, const std::uint8_t* data,
                       std::size_t size, std::uint8_t* out);

private:
    std::size_t deflateAfter(std::span<const std::uint8_t> history, const std::uint8_t* data,
                             std::size_t size, std::uint8_t* out, std::size_t room);

    libdeflate_compressor* compressor_;
    int level_;
    z_stream history_{};
    bool historyReady_ = false;
    std::size_t maxEncodedSize_;
};

} // namespace tavor
