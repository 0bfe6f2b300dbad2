#include "controls/orvlog/ImageLibrary.h"

#include "base/Error.h"
#include "controls/orvlog/ListGeometry.h"

// The built-in pictures are compiled into a static library; its resources must be
// registered by name before they are read.
static void initOrvlogResources() {
    Q_INIT_RESOURCE(orvlog);
}

namespace tavor {

namespace {
// Raised when a library slot is created twice.
constexpr long ObjectAlreadyLoaded = 360;
} // namespace

ImageLibrary ImageLibrary::withBuiltIns() {
    initOrvlogResources();
    ImageLibrary library;
    const auto load = [&library](int kind) {
        const QString path = QString(":/orvlog/kind%1.png").arg(kind, 3, 10, QChar('0'));
        library.setSlot(kind - 1, QImage(path));
    };
    for (int kind = 1; kind <= 15; ++kind)
        load(kind);
    for (int kind = 210; kind <= 212; ++kind)
        load(kind);
    return library;
}

void ImageLibrary::LoadImage(const QImage& picture) {
    if (slots_.contains(nextImageSlot_))
        throw Error(ObjectAlreadyLoaded,
                    QString("Object already loaded (picture slot %1)").arg(nextImageSlot_));
    slots_.insert(nextImageSlot_, picture);
    ++nextImageSlot_;
}

QSize ImageLibrary::sizeTwips(int slot) const {
    const QImage image = slots_.value(slot);
    return QSize(image.width() * ListGeometry::TwipsPerPixel,
                 image.height() * ListGeometry::TwipsPerPixel);
}

} // namespace tavor
