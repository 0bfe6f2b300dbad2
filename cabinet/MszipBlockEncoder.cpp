#include "cabinet/MszipBlockEncoder.h"

#include "cabinet/CabinetFormat.h"
#include "cabinet/DeflateStreamScanner.h"

#include <cstring>
#include <libdeflate.h>
#include <new>

namespace tavor {

namespace {

constexpr std::uint8_t Signature[] = {'C', 'K'};

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
    std::uint8_t* stream = payload + sizeof Signature;
    std::size_t deflated = libdeflate_deflate_compress(compressor_, data, size, stream, room);
    // libdeflate leaves out the distance code of a block without matches, which
    // libmspack and cabextract refuse; such a block goes in stored.
    if (!DeflateStreamScanner::everyCodeComplete(stream, deflated)) {
        deflated = storeBlock(data, size, stream);
    }
    const std::size_t payloadSize = sizeof Signature + deflated;
    cabinet::sealDataBlock(out, std::uint16_t(payloadSize), std::uint16_t(size));
    return cabinet::DataHeaderSize + payloadSize;
}

} // namespace tavor
