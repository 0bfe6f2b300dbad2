#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace tavor {

// The length and CRC-32 of a stream of bytes, taken as they pass, so that what was
// written can be compared with what is read back without keeping either.
class ContentChecksum {
public:
    void add(const void* data, std::size_t size);

    std::int64_t length() const { return length_; }
    std::uint32_t crc32() const { return crc32_; }

    // "N bytes, CRC-32 XXXXXXXX", for error descriptions.
    QString describe() const;

    bool operator==(const ContentChecksum&) const = default;

private:
    std::int64_t length_ = 0;
    std::uint32_t crc32_ = 0;
};

} // namespace tavor
