#include "controls/animation/AnimationControl.h"
#include "resources/BusyResources.h"

#include <QDir>
#include <QPixmap>
#include <gtest/gtest.h>

// The busy clip as the panel shows it: the window's 3585 x 555 twips player.
TEST(AnimationControlGallery, PanelAtThreeFrames) {
    tavorInitBusyResources();
    const QString folder = QStringLiteral(TAVOR_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    tavor::AnimationControl control;
    control.setGeometry(0, 0, 3585 / 15, 555 / 15);
    control.Open(tavor::BusyResources::Clip);
    for (int frame : {0, 20, 40}) {
        control.Seek(frame);
        const QPixmap shot = control.grab();
        ASSERT_EQ(shot.size(), QSize(239, 37));
        ASSERT_TRUE(shot.save(folder + QStringLiteral("/animation-frame-%1.png").arg(frame)));
    }
}
