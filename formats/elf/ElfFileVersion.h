#pragma once

#include <QString>

// The section in which a program built here carries its file version a.b.c.d as
// text. A macro so that the program's own stamp can name it in assembly.
#define TAVOR_VERSION_SECTION ".tavor.version"

namespace tavor {

// Reads the file version that an ELF executable carries in its version section,
// without running it. ELF32 and ELF64 of either byte order are read; every offset
// and size is checked against the file before it is used.
class ElfFileVersion {
public:
    // Longest section that can hold a version; a larger one is not a version.
    static constexpr qint64 MaxSectionBytes = 256;

    // The version text (digits and dots only); empty for a missing, unreadable,
    // truncated or foreign file, and for one without a version section.
    static QString read(const QString& path);
};

} // namespace tavor
