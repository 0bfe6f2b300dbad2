#pragma once

#include "safewrite/ReadBackFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tavor {

// What a cabinet's records say of it, checked against the way this program writes
// cabinets: one folder of MSZIP blocks holding one file, no reserved areas and no
// neighbouring cabinets, every data block with a checksum, all blocks but the last
// full, and the blocks present adding up to the file's length and the cabinet's size.
// Only the records are read, so that a cabinet claiming more than it holds is
// refused before anything is unpacked.
class CabinetLayout {
public:
    // What is wrong with the cabinet, as the end of a sentence naming it ("has ...");
    // empty when nothing is. Raises tavor::Error when the file cannot be read.
    static QString problem(ReadBackFile& file);

    // The same of the header, folder and file records alone, given as the first
    // bytes of a cabinet of fileSize bytes, up to the end of its file record.
    static QString recordsProblem(const QByteArray& records, std::int64_t fileSize);

    // Where the file record ends in a cabinet starting with header (HeaderSize
    // bytes); 0 when the header is no cabinet's or puts the record beyond reason.
    static std::int64_t recordsEnd(const QByteArray& header);
};

} // namespace tavor
