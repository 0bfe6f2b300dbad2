#include "cabinet/MszipBlockEncoder.h"

#include "cabinet/CabinetFormat.h"
#include "cabinet/DeflateStreamScanner.h"

#include <algorithm>
#include <cstring>
#include <libdeflate.h>
#include <new>

namespace tavor {

namespace {

constexpr std::uint8_t Signature[] = {'C', 'K'};
// zlib's largest hash tables: a little faster and smaller, 256 KiB more per thread.
constexpr int MaxMemoryLevel = 9;
// What zlib's deflateBound adds to a 32 KiB block at most, stored blocks' headers
// and the stream's end, with room to spare.
constexpr std::size_t ZlibOverhead = 64;

// One final stored deflate block: the bytes as they are, which every reader takes.
std::size_t storeBlock(const std::uint8_t* data, std::size_t size, std::uint8_t* out) {
    out[0] = 0x01;
    out[1] = std::uint8_t(size);
    out[2] = std::uint8_t(size >> 8);
    out[3] = std::uint8_t(~size);
    out[4] = std::uint8_t(~size >> 8);
    std::memcpy(out + 5, data, size);
    return 5 + size;
}

} // namespace

MszipBlockEncoder::MszipBlockEncoder(int level)
    : compressor_(libdeflate_alloc_compressor(level)), level_(level) {
    if (compressor_ == nullptr) {
        throw std::bad_alloc();
    }
    // The room zlib needs at most is its stored blocks' with a little more, which
    // libdeflate's bound covers as well.
    const std::size_t bound =
        std::max<std::size_t>(libdeflate_deflate_compress_bound(compressor_, cabinet::BlockSize),
                              cabinet::BlockSize + ZlibOverhead);
    maxEncodedSize_ = cabinet::DataHeaderSize + sizeof Signature + bound;
}

MszipBlockEncoder::~MszipBlockEncoder() {
    if (historyReady_) {
        deflateEnd(&history_);
    }
    libdeflate_free_compressor(compressor_);
}

int MszipBlockEncoder::historyLevel(int level) {
    return std::clamp(level, 1, Z_BEST_COMPRESSION);
}

std::size_t MszipBlockEncoder::encode(std::span<const std::uint8_t> history,
                                      const std::uint8_t* data, std::size_t size,
                                      std::uint8_t* out) {
    std::uint8_t* payload = out + cabinet::DataHeaderSize;
    payload[0] = Signature[0];
    payload[1] = Signature[1];
    const std::size_t room = maxEncodedSize_ - cabinet::DataHeaderSize - sizeof Signature;
    // The room is the compressor's own worst case, so the stream always fits.
    std::uint8_t* stream = payload + sizeof Signature;
    std::size_t deflated = history.empty()
                               ? libdeflate_deflate_compress(compressor_, data, size, stream, room)
                               : deflateAfter(history, data, size, stream, room);
    // libdeflate leaves out the distance code of a block without matches, which
    // libmspack and cabextract refuse; such a block goes in stored, as does one zlib
    // could not finish.
    if (!DeflateStreamScanner::everyCodeComplete(stream, deflated)) {
        deflated = storeBlock(data, size, stream);
    }
    const std::size_t payloadSize = sizeof Signature + deflated;
    cabinet::sealDataBlock(out, std::uint16_t(payloadSize), std::uint16_t(size));
    return cabinet::DataHeaderSize + payloadSize;
}

// A stream of its own that may refer to the history; 0 when zlib fails.
std::size_t MszipBlockEncoder::deflateAfter(std::span<const std::uint8_t> history,
                                            const std::uint8_t* data, std::size_t size,
                                            std::uint8_t* out, std::size_t room) {
    // zlib's tables are set up on the first block that needs them: a cabinet packed
    // fast does without their memory. Raw deflate (no zlib header), 32 KiB window.
    if (!historyReady_) {
        historyReady_ = deflateInit2(&history_, historyLevel(level_), Z_DEFLATED, -MAX_WBITS,
                                     MaxMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
        if (!historyReady_) {
            return 0;
        }
    }
    if (deflateReset(&history_) != Z_OK ||
        deflateSetDictionary(&history_, history.data(), uInt(history.size())) != Z_OK) {
        return 0;
    }
    history_.next_in = const_cast<Bytef*>(data);
    history_.avail_in = uInt(size);
    history_.next_out = out;
    history_.avail_out = uInt(room);
    return deflate(&history_, Z_FINISH) == Z_STREAM_END ? room - history_.avail_out : 0;
}

} // namespace tavor
