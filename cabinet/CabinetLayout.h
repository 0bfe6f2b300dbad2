#pragma once

#include "safewrite/ReadBackFile.h"

#include <QString>

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
};

} // namespace tavor
