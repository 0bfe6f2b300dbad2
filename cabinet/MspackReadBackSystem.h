#pragma once

#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/ReadBackFile.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <mspack.h>

namespace tavor {

// The file access libmspack is given to read a cabinet back: every file it opens
// for reading is the one cabinet under test, and every file it opens for writing
// only feeds a checksum and, when one is given, a sink that keeps the bytes. Errors of ours cannot
// cross libmspack's C code; they are kept here and raised again once it returns. Every read and
// write ticks the idle ticker.
class MspackReadBackSystem {
public:
    using Progress = std::function<void(std::int64_t unpacked)>;
    using Sink = std::function<void(const char* bytes, std::size_t size)>;

    MspackReadBackSystem(ReadBackFile& cabinet, const Progress& progress, IdleTicker& idle,
                         Sink sink = {});

    MspackReadBackSystem(const MspackReadBackSystem&) = delete;
    MspackReadBackSystem& operator=(const MspackReadBackSystem&) = delete;

    mspack_system* system() { return &bridge_.system; }
    const ContentChecksum& unpacked() const { return unpacked_; }
    // Raises the error kept from a call libmspack made, if any.
    void rethrowKept() const;

private:
    struct Handle;
    // What libmspack is given: its table of calls, with the way back to this object
    // after it (a standard-layout struct, so its first member's address is its own).
    struct Bridge {
        mspack_system system;
        MspackReadBackSystem* owner;
    };

    static MspackReadBackSystem& of(mspack_system* system);
    static Handle* handleOf(mspack_file* file);
    static mspack_file* open(mspack_system* self, const char* name, int mode);
    static void close(mspack_file* file);
    static int read(mspack_file* file, void* buffer, int bytes);
    static int write(mspack_file* file, void* buffer, int bytes);
    static int seek(mspack_file* file, off_t offset, int mode);
    static off_t tell(mspack_file* file);
    static void message(mspack_file* file, const char* format, ...);
    static void* alloc(mspack_system* self, size_t bytes);
    static void free(void* pointer);
    static void copy(void* from, void* to, size_t bytes);

    Bridge bridge_;
    ReadBackFile& cabinet_;
    const Progress& progress_;
    IdleTicker& idle_;
    Sink sink_;
    ContentChecksum unpacked_;
    std::exception_ptr kept_;
};

} // namespace tavor
