#include "cabinet/CabinetLayout.h"

#include "cabinet/CabinetFormat.h"

#include <algorithm>
#include <cstdint>

namespace tavor {

namespace {

using cabinet::FileRecordSize;
using cabinet::FolderSize;
using cabinet::HeaderSize;

const QString Mismatch = QStringLiteral("records sizes that do not match its contents");
// Where a file record may start at most; ours follows the folder record.
constexpr std::uint32_t MaxFilesOffset = 1 << 16;

// Up to size bytes at offset, fewer where the file ends.
QByteArray bytesAt(ReadBackFile& file, std::int64_t offset, std::size_t size) {
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    bytes.resize(qsizetype(file.read(bytes.data(), size, offset)));
    return bytes;
}

// The record of size bytes at offset; empty when the file ends before it does.
QByteArray recordAt(ReadBackFile& file, std::int64_t offset, std::size_t size) {
    const QByteArray bytes = bytesAt(file, offset, size);
    return bytes.size() == qsizetype(size) ? bytes : QByteArray();
}

std::uint16_t get16(const QByteArray& bytes, qsizetype at) {
    return cabinet::load16(reinterpret_cast<const std::uint8_t*>(bytes.constData() + at));
}

std::uint32_t get32(const QByteArray& bytes, qsizetype at) {
    return cabinet::load32(reinterpret_cast<const std::uint8_t*>(bytes.constData() + at));
}

// Walks the data blocks' records from the folder's first block to the end.
QString blocksProblem(ReadBackFile& file, std::int64_t offset, int count, std::int64_t length) {
    std::int64_t unpacked = 0;
    for (int block = 0; block < count; ++block) {
        const QByteArray record = recordAt(file, offset, cabinet::DataHeaderSize);
        if (record.isEmpty())
            return Mismatch;
        if (get32(record, 0) == 0)
            return QStringLiteral("has a data block without a checksum");
        const std::uint16_t packed = get16(record, 4);
        const std::uint16_t size = get16(record, 6);
        const bool last = block + 1 == count;
        if (packed == 0 || size == 0 || size > cabinet::BlockSize ||
            (!last && size != cabinet::BlockSize))
            return Mismatch;
        unpacked += size;
        offset += std::int64_t(cabinet::DataHeaderSize) + packed;
    }
    return offset == file.size() && unpacked == length ? QString() : Mismatch;
}

} // namespace

std::int64_t CabinetLayout::recordsEnd(const QByteArray& header) {
    if (header.size() < qsizetype(HeaderSize) || !header.startsWith("MSCF") ||
        get32(header, 16) > MaxFilesOffset)
        return 0;
    return std::max<std::int64_t>(HeaderSize + FolderSize, get32(header, 16) + FileRecordSize);
}

QString CabinetLayout::recordsProblem(const QByteArray& records, std::int64_t fileSize) {
    const std::int64_t end = recordsEnd(records.left(HeaderSize));
    if (end == 0)
        return QStringLiteral("is not a valid cabinet");
    if (get16(records, 26) != 1 || get16(records, 28) != 1)
        return QStringLiteral("does not hold exactly one file");
    if (get16(records, 30) != 0)
        return QStringLiteral("has reserved areas or belongs to a set of cabinets");
    if (records.size() < end)
        return Mismatch;
    const qsizetype entry = get32(records, 16);
    if (get16(records, HeaderSize + 6) != cabinet::CompressionMszip)
        return QStringLiteral("is not compressed with MSZIP");
    if (get32(records, 8) != fileSize || get32(records, entry + 4) != 0 ||
        get16(records, entry + 8) != 0)
        return Mismatch;
    return {};
}

QString CabinetLayout::problem(ReadBackFile& file) {
    const std::int64_t end = recordsEnd(recordAt(file, 0, HeaderSize));
    const QByteArray records = bytesAt(file, 0, std::size_t(std::max<std::int64_t>(end, 1)));
    if (const QString problem = recordsProblem(records, file.size()); !problem.isEmpty())
        return problem;
    return blocksProblem(file, get32(records, HeaderSize), get16(records, HeaderSize + 4),
                         get32(records, get32(records, 16)));
}

} // namespace tavor
