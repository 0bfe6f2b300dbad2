#pragma once

#include "controls/orvlog/ImageLibrary.h"

#include <QImage>

namespace tavor::test {

// A picture library shaped like the built-in one (12 x 12 icons for kinds 1..15,
// 11 x 11 check boxes for 210..212), without reading the compiled-in files.
inline ImageLibrary shapedLibrary() {
    ImageLibrary library;
    for (int slot = 0; slot < 15; ++slot)
        library.setSlot(slot, QImage(12, 12, QImage::Format_ARGB32));
    for (int slot = 209; slot <= 211; ++slot)
        library.setSlot(slot, QImage(11, 11, QImage::Format_ARGB32));
    return library;
}

} // namespace tavor::test
