#include "cabinet/CabinetFormat.h"

#include <algorithm>

namespace tavor::cabinet {

namespace {

constexpr std::uint16_t FormatVersion = 0x0103;
constexpr std::uint16_t AttributeArchive = 0x20;
constexpr std::uint16_t AttributeNameIsUtf8 = 0x80;

void put16(QByteArray& out, std::uint16_t value) {
    out.append(char(value & 0xff));
    out.append(char(value >> 8));
}

void put32(QByteArray& out, std::uint32_t value) {
    put16(out, std::uint16_t(value & 0xffff));
    put16(out, std::uint16_t(value >> 16));
}

void store16(std::uint8_t* at, std::uint16_t value) {
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void store32(std::uint8_t* at, std::uint32_t value) {
    store16(at, std::uint16_t(value));
    store16(at + 2, std::uint16_t(value >> 16));
}

bool isAscii(const QByteArray& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::tm localParts(std::time_t time) {
    std::tm parts{};
    localtime_r(&time, &parts);
    if (parts.tm_year < 80) {
        parts = std::tm{};
        parts.tm_year = 80;
        parts.tm_mday = 1;
    }
    return parts;
}

} // namespace

QByteArray headerBytes(const Entry& entry, std::uint16_t blockCount) {
    const std::size_t filesOffset = HeaderSize + FolderSize;
    const std::size_t dataOffset = filesOffset + FileRecordSize + entry.name.size() + 1;
    QByteArray out;
    out.reserve(qsizetype(dataOffset));
    out.append("MSCF", 4);
    put32(out, 0);
    put32(out, 0); // total size, known at the end
    put32(out, 0);
    put32(out, std::uint32_t(filesOffset));
    put32(out, 0);
    put16(out, FormatVersion);
    put16(out, 1); // folders
    put16(out, 1); // files
    put16(out, 0); // flags: no reserve, no neighbouring cabinets
    put16(out, 0); // set id
    put16(out, 0); // index in set

    put32(out, std::uint32_t(dataOffset));
    put16(out, blockCount);
    put16(out, CompressionMszip);

    put32(out, entry.size);
    put32(out, 0); // offset in folder
    put16(out, 0); // folder index
    put16(out, entry.dosDate);
    put16(out, entry.dosTime);
    put16(out, isAscii(entry.name) ? AttributeArchive : AttributeArchive | AttributeNameIsUtf8);
    out.append(entry.name);
    out.append('\0');
    return out;
}

std::uint16_t load16(const std::uint8_t* at) {
    return std::uint16_t(at[0] | at[1] << 8);
}

std::uint32_t load32(const std::uint8_t* at) {
    return std::uint32_t(load16(at)) | std::uint32_t(load16(at + 2)) << 16;
}

std::uint32_t blockCountFor(std::int64_t size) {
    return std::uint32_t((size + BlockSize - 1) / BlockSize);
}

std::uint32_t checksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed) {
    std::uint32_t sum = seed;
    std::size_t words = size / 4;
    for (; words > 0; --words, data += 4) {
        sum ^= std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
               std::uint32_t(data[3]) << 24;
    }
    // The trailing bytes are taken with the first one highest.
    std::uint32_t tail = 0;
    switch (size % 4) {
    case 3:
        tail |= std::uint32_t(*data++) << 16;
        [[fallthrough]];
    case 2:
        tail |= std::uint32_t(*data++) << 8;
        [[fallthrough]];
    case 1:
        tail |= *data;
        break;
    default:
        break;
    }
    return sum ^ tail;
}

void sealDataBlock(std::uint8_t* block, std::uint16_t payloadSize, std::uint16_t uncompressedSize) {
    store16(block + 4, payloadSize);
    store16(block + 6, uncompressedSize);
    const std::uint32_t payloadSum = checksum(block + DataHeaderSize, payloadSize, 0);
    store32(block, checksum(block + 4, 4, payloadSum));
}

std::uint16_t dosDate(std::time_t time) {
    const std::tm parts = localParts(time);
    const int year = std::min(parts.tm_year - 80, 127);
    return std::uint16_t(year << 9 | (parts.tm_mon + 1) << 5 | parts.tm_mday);
}

std::uint16_t dosTime(std::time_t time) {
    const std::tm parts = localParts(time);
    return std::uint16_t(parts.tm_hour << 11 | parts.tm_min << 5 | parts.tm_sec / 2);
}

} // namespace tavor::cabinet
