// Any bytes as a busy clip: the clip opens and every frame decodes, or
// tavor::Error is raised; nothing is read or written out of bounds.

#include "base/Error.h"
#include "formats/avi/AviClip.h"
#include "support/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const tavor::AviClip clip = tavor::AviClip::fromBytes(
            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        const QList<QImage> frames = clip.decodeFrames();
        TAVOR_FUZZ_CHECK(frames.size() == clip.frameCount());
    } catch (const tavor::Error&) {
    }
    return 0;
}
