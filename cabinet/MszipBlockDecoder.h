#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct libdeflate_decompressor;

namespace tavor {

// Unpacks the payloads of a folder's MSZIP data blocks in order, as a cabinet reader
// does: each is the signature and a deflate stream of its own that may refer to the
// 32 KiB unpacked before it. Built on libdeflate's decompressor, which shares no code
// with any of the compressors that write our blocks.
class MszipBlockDecoder {
public:
    MszipBlockDecoder();
    ~MszipBlockDecoder();

    MszipBlockDecoder(const MszipBlockDecoder&) = delete;
    MszipBlockDecoder& operator=(const MszipBlockDecoder&) = delete;

    // The next block's payload unpacked, valid until the next call; empty when it
    // lacks the signature, is no complete deflate stream or does not unpack to
    // exactly size bytes (a block is never empty).
    std::span<const std::uint8_t> decode(const std::uint8_t* payload, std::size_t payloadSize,
                                         std::size_t size);

private:
    bool inflateAlone(const std::uint8_t* stream, std::size_t streamSize, std::size_t size);
    bool inflateAfterHistory(const std::uint8_t* stream, std::size_t streamSize, std::size_t size);
    void keepHistory(std::size_t size);

    libdeflate_decompressor* decompressor_;
    // The stream to inflate behind a stored block holding the history, so that
    // references into the blocks before it resolve.
    std::vector<std::uint8_t> input_;
    // The history, then the block unpacked.
    std::vector<std::uint8_t> output_;
    std::size_t history_ = 0;
    // Whether the block before needed the history: its neighbour likely does too.
    bool referredBack_ = false;
};

} // namespace tavor
