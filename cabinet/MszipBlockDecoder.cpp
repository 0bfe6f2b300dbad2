#include "cabinet/MszipBlockDecoder.h"

#include "cabinet/CabinetFormat.h"

#include <algorithm>
#include <cstring>
#include <libdeflate.h>
#include <new>

namespace tavor {

namespace {

constexpr std::size_t Window = 32768;
constexpr std::size_t SignatureSize = 2;
// A stored deflate block's header once aligned: a non-final block's three bits
// padded to a byte, then its length and the length's complement.
constexpr std::size_t StoredHeaderSize = 5;
// The largest payload a data block's record can give.
constexpr std::size_t MaxPayload = 65535;

} // namespace

MszipBlockDecoder::MszipBlockDecoder()
    : decompressor_(libdeflate_alloc_decompressor()),
      input_(StoredHeaderSize + Window + MaxPayload), output_(Window + cabinet::BlockSize) {
    if (decompressor_ == nullptr) {
        throw std::bad_alloc();
    }
}

MszipBlockDecoder::~MszipBlockDecoder() {
    libdeflate_free_decompressor(decompressor_);
}

std::span<const std::uint8_t> MszipBlockDecoder::decode(const std::uint8_t* payload,
                                                        std::size_t payloadSize, std::size_t size) {
    if (payloadSize < SignatureSize || payload[0] != 'C' || payload[1] != 'K' || size == 0 ||
        size > cabinet::BlockSize) {
        return {};
    }
    const std::uint8_t* stream = payload + SignatureSize;
    const std::size_t streamSize = payloadSize - SignatureSize;
    // Inflating alone is cheaper, and it only succeeds when the block refers to
    // nothing before it, in which case both ways give the same bytes.
    bool done = !referredBack_ && inflateAlone(stream, streamSize, size);
    referredBack_ = !done;
    if (!done && !inflateAfterHistory(stream, streamSize, size)) {
        return {};
    }
    keepHistory(size);
    return {output_.data() + Window, size};
}

bool MszipBlockDecoder::inflateAlone(const std::uint8_t* stream, std::size_t streamSize,
                                     std::size_t size) {
    std::size_t in = 0;
    std::size_t out = 0;
    return libdeflate_deflate_decompress_ex(decompressor_, stream, streamSize,
                                            output_.data() + Window, size, &in,
                                            &out) == LIBDEFLATE_SUCCESS &&
           in == streamSize && out == size;
}

bool MszipBlockDecoder::inflateAfterHistory(const std::uint8_t* stream, std::size_t streamSize,
                                            std::size_t size) {
    std::uint8_t* header = input_.data();
    header[0] = 0x00;
    header[1] = std::uint8_t(history_);
    header[2] = std::uint8_t(history_ >> 8);
    header[3] = std::uint8_t(~history_);
    header[4] = std::uint8_t(~history_ >> 8);
    std::memcpy(header + StoredHeaderSize, output_.data() + Window - history_, history_);
    std::memcpy(header + StoredHeaderSize + history_, stream, streamSize);
    const std::size_t inputSize = StoredHeaderSize + history_ + streamSize;
    std::uint8_t* out = output_.data() + Window - history_;
    std::size_t in = 0;
    std::size_t produced = 0;
    return libdeflate_deflate_decompress_ex(decompressor_, input_.data(), inputSize, out,
                                            history_ + size, &in,
                                            &produced) == LIBDEFLATE_SUCCESS &&
           in == inputSize && produced == history_ + size;
}

// The last 32 KiB unpacked go before the next block.
void MszipBlockDecoder::keepHistory(std::size_t size) {
    const std::size_t kept = std::min(Window, history_ + size);
    std::memmove(output_.data() + Window - kept, output_.data() + Window + size - kept, kept);
    history_ = kept;
}

} // namespace tavor
