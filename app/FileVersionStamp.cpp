// The program's file version, as text in a section of its own. The section is not
// loaded into memory: it is read from the file, by the program itself and by the
// update check of an older build, without running the file.
#include "formats/elf/ElfFileVersion.h"

asm(".pushsection " TAVOR_VERSION_SECTION ",\"\",%progbits\n"
    ".asciz \"" TAVOR_FILE_VERSION "\"\n"
    ".popsection\n");
