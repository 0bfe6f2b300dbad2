#include "cabinet/MspackReadBackSystem.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace tavor {

struct MspackReadBackSystem::Handle {
    MspackReadBackSystem* owner;
    bool isSink;
    std::int64_t position = 0;
};

MspackReadBackSystem::MspackReadBackSystem(ReadBackFile& cabinet, const Progress& progress,
                                           IdleTicker& idle, Sink sink)
    : bridge_{{open, close, read, write, seek, tell, message, alloc, free, copy, nullptr}, this},
      cabinet_(cabinet), progress_(progress), idle_(idle), sink_(std::move(sink)) {}

void MspackReadBackSystem::rethrowKept() const {
    if (kept_) {
        std::rethrow_exception(kept_);
    }
}

MspackReadBackSystem& MspackReadBackSystem::of(mspack_system* system) {
    return *reinterpret_cast<Bridge*>(system)->owner;
}

MspackReadBackSystem::Handle* MspackReadBackSystem::handleOf(mspack_file* file) {
    return reinterpret_cast<Handle*>(file);
}

mspack_file* MspackReadBackSystem::open(mspack_system* self, const char*, int mode) {
    const bool isSink = mode == MSPACK_SYS_OPEN_WRITE;
    if (!isSink && mode != MSPACK_SYS_OPEN_READ) {
        return nullptr;
    }
    auto* handle = new (std::nothrow) Handle{&of(self), isSink};
    return reinterpret_cast<mspack_file*>(handle);
}

void MspackReadBackSystem::close(mspack_file* file) {
    delete handleOf(file);
}

int MspackReadBackSystem::read(mspack_file* file, void* buffer, int bytes) {
    Handle* handle = handleOf(file);
    if (handle->isSink || bytes < 0) {
        return -1;
    }
    try {
        handle->owner->idle_.tick();
        const std::size_t got =
            handle->owner->cabinet_.read(buffer, std::size_t(bytes), handle->position);
        handle->position += std::int64_t(got);
        return int(got);
    } catch (...) {
        handle->owner->kept_ = std::current_exception();
        return -1;
    }
}

int MspackReadBackSystem::write(mspack_file* file, void* buffer, int bytes) {
    Handle* handle = handleOf(file);
    if (!handle->isSink || bytes < 0) {
        return -1;
    }
    MspackReadBackSystem& owner = *handle->owner;
    owner.unpacked_.add(buffer, std::size_t(bytes));
    try {
        if (owner.sink_) {
            owner.sink_(static_cast<const char*>(buffer), std::size_t(bytes));
        }
        if (owner.progress_) {
            owner.progress_(owner.unpacked_.length());
        }
        owner.idle_.tick();
    } catch (...) {
        owner.kept_ = std::current_exception();
        return -1;
    }
    return bytes;
}

int MspackReadBackSystem::seek(mspack_file* file, off_t offset, int mode) {
    Handle* handle = handleOf(file);
    std::int64_t base = 0;
    if (mode == MSPACK_SYS_SEEK_CUR) {
        base = handle->position;
    } else if (mode == MSPACK_SYS_SEEK_END) {
        base = handle->isSink ? handle->owner->unpacked_.length() : handle->owner->cabinet_.size();
    } else if (mode != MSPACK_SYS_SEEK_START) {
        return -1;
    }
    if (base + offset < 0) {
        return -1;
    }
    handle->position = base + offset;
    return 0;
}

off_t MspackReadBackSystem::tell(mspack_file* file) {
    return off_t(handleOf(file)->position);
}

// libmspack's warnings repeat what its error codes say.
void MspackReadBackSystem::message(mspack_file*, const char*, ...) {}

void* MspackReadBackSystem::alloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}

void MspackReadBackSystem::free(void* pointer) {
    std::free(pointer);
}

void MspackReadBackSystem::copy(void* from, void* to, size_t bytes) {
    std::memmove(to, from, bytes);
}

} // namespace tavor
