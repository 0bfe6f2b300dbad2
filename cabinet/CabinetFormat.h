#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <ctime>

// The byte layout of a cabinet holding one folder with one file, compressed with
// MSZIP: header, folder and file records, then the data blocks.
namespace tavor::cabinet {

constexpr std::uint32_t BlockSize = 32768;
constexpr std::uint32_t MaxBlocks = 65535;
// The most one folder can hold: its block count is a 16-bit number.
constexpr std::int64_t MaxFolderBytes = std::int64_t(BlockSize) * MaxBlocks;
// The header, a folder record and a file record before its name; no reserved areas.
constexpr std::size_t HeaderSize = 36;
constexpr std::size_t FolderSize = 8;
constexpr std::size_t FileRecordSize = 16;
constexpr std::uint16_t CompressionMszip = 1;
// A data block record: checksum, compressed size, uncompressed size.
constexpr std::size_t DataHeaderSize = 8;
// Where the header keeps the size of the whole cabinet.
constexpr std::size_t CabinetSizeOffset = 8;

struct Entry {
    QByteArray name; // UTF-8
    std::uint32_t size = 0;
    std::uint16_t dosDate = 0;
    std::uint16_t dosTime = 0;
};

// Header, folder record and file record, with the cabinet's total size still zero.
QByteArray headerBytes(const Entry& entry, std::uint16_t blockCount);

// Little-endian numbers as the records hold them.
std::uint16_t load16(const std::uint8_t* at);
std::uint32_t load32(const std::uint8_t* at);

// The number of data blocks a file of that size needs.
std::uint32_t blockCountFor(std::int64_t size);

// The published cabinet checksum of size bytes, continued from seed.
std::uint32_t checksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed);

// Fills in the record at the start of a data block whose payload of
// payloadSize bytes follows it, checksum included.
void sealDataBlock(std::uint8_t* block, std::uint16_t payloadSize, std::uint16_t uncompressedSize);

// A local time as the FAT date and time the file record holds (two-second steps;
// times before 1980 become its first day).
std::uint16_t dosDate(std::time_t time);
std::uint16_t dosTime(std::time_t time);

} // namespace tavor::cabinet
