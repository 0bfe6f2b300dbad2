#include "platform/cabinet/MszipBlockEncoder.h"

#include "platform/cabinet/CabinetFormat.h"

#include <libdeflate.h>
#include <new>

namespace tavor {

namespace {

constexpr std::uint8_t Signature[] = {'C', 'K'};

} // namespace

MszipBlockEncoder::MszipBlockEncoder(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (compressor_ == nullptr) {
        throw std::bad_alloc();
    }
    maxEncodedSize_ = cabinet::DataHeaderSize + sizeof Signature +
                      libdeflate_deflate_compress_bound(compressor_, cabinet::BlockSize);
}

MszipBlockEncoder::~MszipBlockEncoder() {
    libdeflate_free_compressor(compressor_);
}

std::size_t MszipBlockEncoder::encode(const std::uint8_t* data, std::size_t size,
                                      std::uint8_t* out) {
    std::uint8_t* payload = out + cabinet::DataHeaderSize;
    payload[0] = Signature[0];
    payload[1] = Signature[1];
    const std::size_t room = maxEncodedSize_ - cabinet::DataHeaderSize - sizeof Signature;
    // The room is the compressor's own worst case, so the stream always fits.
    const std::size_t deflated =
        libdeflate_deflate_compress(compressor_, data, size, payload + sizeof Signature, room);
    const std::size_t payloadSize = sizeof Signature + deflated;
    cabinet::sealDataBlock(out, std::uint16_t(payloadSize), std::uint16_t(size));
    return cabinet::DataHeaderSize + payloadSize;
}

} // namespace tavor
