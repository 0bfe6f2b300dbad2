#pragma once

#include <QByteArray>
#include <QtEndian>

// Changes to the records of a cabinet as the program writes it (one folder, one
// file, no reserved areas), as a hostile stick's cabinet would carry them.
namespace tavor::test::cabinet_records {

// Where the records lie: the folder's first block and block count, the file record.
constexpr int FirstBlockAt = 36;
constexpr int BlockCountAt = 36 + 4;
constexpr int FileRecordAt = 36 + 8;

inline quint32 get32(const QByteArray& cabinet, int at) {
    return qFromLittleEndian<quint32>(cabinet.constData() + at);
}

inline void put16(QByteArray& cabinet, int at, quint16 value) {
    qToLittleEndian(value, cabinet.data() + at);
}

inline void put32(QByteArray& cabinet, int at, quint32 value) {
    qToLittleEndian(value, cabinet.data() + at);
}

// A second file record over the same data: two entries that each claim the folder.
inline void addSecondEntry(QByteArray& cabinet) {
    const qsizetype recordEnd = cabinet.indexOf('\0', FileRecordAt + 16) + 1;
    const QByteArray record = cabinet.mid(FileRecordAt, recordEnd - FileRecordAt);
    cabinet.insert(recordEnd, record);
    put32(cabinet, 8, quint32(cabinet.size()));
    put16(cabinet, 28, 2);
    put32(cabinet, FirstBlockAt, get32(cabinet, FirstBlockAt) + quint32(record.size()));
}

// A folder of the most blocks the format allows, and a file as long as they hold.
inline void claimFarMore(QByteArray& cabinet) {
    put16(cabinet, BlockCountAt, 65535);
    put32(cabinet, FileRecordAt, 65535u * 32768u);
}

// The first data block's checksum field set to 0, which readers take for "none".
inline void dropFirstChecksum(QByteArray& cabinet) {
    put32(cabinet, int(get32(cabinet, FirstBlockAt)), 0);
}

} // namespace tavor::test::cabinet_records
