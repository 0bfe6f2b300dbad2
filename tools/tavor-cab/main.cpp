// tavor-cab: packs one file into a cabinet with the program's own compressor, or
// with --copy makes the plain copy the archive run makes of very large files.
//   tavor-cab CABINET SOURCE
//   tavor-cab --no-verify CABINET SOURCE   (packs without reading the cabinet back,
//                                           to measure what reading back costs)
//   tavor-cab --fast|--small [--no-verify] CABINET SOURCE
//                                          (each block on its own, or each with its
//                                           history; by default the medium chooses)
//   tavor-cab --copy TARGET SOURCE
// Prints each percentage on its own line to standard error; exits 0 on success,
// 1 with the error number and description otherwise, 2 on bad usage.

#include "base/Error.h"
#include "cabinet/MszipCabinetCompressor.h"
#include "platform/files/linux/LinuxFileServices.h"

#include <QString>
#include <cstdio>
#include <cstring>

namespace {

int usage() {
    std::fputs("usage: tavor-cab [--fast|--small] [--no-verify] CABINET SOURCE\n"
               "       tavor-cab --copy TARGET SOURCE\n",
               stderr);
    return 2;
}

void pack(const QString& cabinet, const QString& source,
          const tavor::CabinetWriterOptions& options) {
    tavor::MszipCabinetCompressor compressor(tavor::SystemCalls::host(), options);
    compressor.setProgressHandler([](int percent) { std::fprintf(stderr, "%d\n", percent); });
    compressor.setCabinetFile(cabinet);
    compressor.fileList().add(source, QString());
    compressor.compress();
}

void copy(const QString& target, const QString& source) {
    tavor::LinuxFileServices files;
    files.copyFile(source, target);
}

} // namespace

// The packing options before the two names; false on an unknown or repeated one.
bool readOptions(int count, char** argv, tavor::CabinetWriterOptions& options) {
    bool packingGiven = false;
    bool verifyGiven = false;
    for (int i = 0; i < count; ++i) {
        const bool fast = std::strcmp(argv[i], "--fast") == 0;
        const bool small = std::strcmp(argv[i], "--small") == 0;
        if ((fast || small) && !packingGiven) {
            packingGiven = true;
            options.packing = fast ? tavor::CabinetPacking::Fast : tavor::CabinetPacking::Small;
        } else if (std::strcmp(argv[i], "--no-verify") == 0 && !verifyGiven) {
            verifyGiven = true;
            options.verify = false;
        } else {
            return false;
        }
    }
    return true;
}

int main(int argc, char** argv) {
    const bool copying = argc == 4 && std::strcmp(argv[1], "--copy") == 0;
    tavor::CabinetWriterOptions options;
    if (argc < 3 || (!copying && !readOptions(argc - 3, argv + 1, options))) {
        return usage();
    }
    const QString target = QString::fromLocal8Bit(argv[argc - 2]);
    const QString source = QString::fromLocal8Bit(argv[argc - 1]);
    try {
        if (copying) {
            copy(target, source);
        } else {
            pack(target, source, options);
        }
    } catch (const tavor::Error& e) {
        std::fprintf(stderr, "tavor-cab: error %s\n", qPrintable(e.report()));
        return 1;
    }
    return 0;
}
