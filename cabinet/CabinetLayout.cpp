#include "cabinet/CabinetLayout.h"

#include "cabinet/CabinetFormat.h"

#include <QByteArray>
#include <cstdint>

namespace tavor {

namespace {

using cabinet::FileRecordSize;
using cabinet::FolderSize;
using cabinet::HeaderSize;

const QString Mismatch = QStringLiteral("records sizes that do not match its contents");

// The record of size bytes at offset; empty when the file ends before it does.
QByteArray recordAt(ReadBackFile& file, std::int64_t offset, std::size_t size) {
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    return file.read(bytes.data(), size, offset) == size ? bytes : QByteArray();
}

std::uint16_t get16(const QByteArray& bytes, int at) {
    return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
}

std::uint32_t get32(const QByteArray& bytes, int at) {
    return std::uint32_t(get16(bytes, at)) | std::uint32_t(get16(bytes, at + 2)) << 16;
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

QString CabinetLayout::problem(ReadBackFile& file) {
    const QByteArray header = recordAt(file, 0, HeaderSize);
    if (!header.startsWith("MSCF"))
        return QStringLiteral("is not a valid cabinet");
    if (get16(header, 26) != 1 || get16(header, 28) != 1)
        return QStringLiteral("does not hold exactly one file");
    if (get16(header, 30) != 0)
        return QStringLiteral("has reserved areas or belongs to a set of cabinets");
    const QByteArray folder = recordAt(file, HeaderSize, FolderSize);
    const QByteArray entry = recordAt(file, get32(header, 16), FileRecordSize);
    if (folder.isEmpty() || entry.isEmpty())
        return Mismatch;
    if (get16(folder, 6) != cabinet::CompressionMszip)
        return QStringLiteral("is not compressed with MSZIP");
    if (get32(header, 8) != file.size() || get32(entry, 4) != 0 || get16(entry, 8) != 0)
        return Mismatch;
    return blocksProblem(file, get32(folder, 0), get16(folder, 4), get32(entry, 0));
}

} // namespace tavor
