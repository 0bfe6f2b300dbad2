// tavor-cab: packs one file into a cabinet with the program's own compressor, or
// with --copy makes the plain copy the archive run makes of very large files.
//   tavor-cab CABINET SOURCE
//   tavor-cab --no-verify CABINET SOURCE   (packs without reading the cabinet back,
//                                           to measure what reading back costs)
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
    std::fputs("usage: tavor-cab CABINET SOURCE\n"
               "       tavor-cab --no-verify CABINET SOURCE\n"
               "       tavor-cab --copy TARGET SOURCE\n",
               stderr);
    return 2;
}

void pack(const QString& cabinet, const QString& source, bool verify) {
    tavor::CabinetWriterOptions options;
    options.verify = verify;
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

int main(int argc, char** argv) {
    const bool copying = argc == 4 && std::strcmp(argv[1], "--copy") == 0;
    const bool unverified = argc == 4 && std::strcmp(argv[1], "--no-verify") == 0;
    if (argc != 3 && !copying && !unverified) {
        return usage();
    }
    const QString target = QString::fromLocal8Bit(argv[argc - 2]);
    const QString source = QString::fromLocal8Bit(argv[argc - 1]);
    try {
        if (copying) {
            copy(target, source);
        } else {
            pack(target, source, !unverified);
        }
    } catch (const tavor::Error& e) {
        std::fprintf(stderr, "tavor-cab: error %s\n", qPrintable(e.report()));
        return 1;
    }
    return 0;
}
