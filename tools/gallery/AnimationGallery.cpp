#include "AnimationGallery.h"

#include "GalleryFolder.h"
#include "controls/animation/AnimationControl.h"
#include "resources/BusyResources.h"

namespace tavor {

void AnimationGallery::draw(GalleryFolder& folder) {
    tavorInitBusyResources();
    // The window's 3585 x 555 twips player.
    AnimationControl control;
    control.setGeometry(0, 0, 3585 / 15, 555 / 15);
    control.Open(BusyResources::Clip);
    for (int frame : {0, 20, 40}) {
        control.Seek(frame);
        folder.shoot(control, QStringLiteral("animation-frame-%1").arg(frame));
    }
}

} // namespace tavor
