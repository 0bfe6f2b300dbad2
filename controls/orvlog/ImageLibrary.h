#pragma once

#include <QImage>
#include <QMap>
#include <QSize>

namespace tavor {

// The list's hidden picture library: slot s holds the picture of image kind
// s + 1. Slots 0..14 hold the built-in icons and 209..211 the check boxes;
// LoadImage fills slots from 99 upward, in call order.
class ImageLibrary {
public:
    static constexpr int FirstLoadedSlot = 99;
    static constexpr int UncheckedSlot = 209;

    // An empty library (for arithmetic that needs no pictures).
    ImageLibrary() = default;
    // The built-in pictures, read from the compiled-in resources.
    static ImageLibrary withBuiltIns();

    // Adds a picture under the next loaded slot. Raises tavor::Error when that
    // slot is already taken (the 111th call reaches the check boxes); the
    // numbering then stays where it is.
    void LoadImage(const QImage& picture);
    int NextImageSlot() const { return nextImageSlot_; }

    bool has(int slot) const { return slots_.contains(slot); }
    QImage picture(int slot) const { return slots_.value(slot); }
    // Width and height in twips; a slot without a picture has size 0 x 0.
    QSize sizeTwips(int slot) const;

    void setSlot(int slot, const QImage& picture) { slots_.insert(slot, picture); }

private:
    QMap<int, QImage> slots_;
    int nextImageSlot_ = FirstLoadedSlot;
};

} // namespace tavor
