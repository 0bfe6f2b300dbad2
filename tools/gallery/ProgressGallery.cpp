#include "ProgressGallery.h"

#include "GalleryFolder.h"
#include "controls/progress/ORVProgressXP.h"

namespace tavor {

namespace {

// The main window's 4305 x 285 twips bar.
void shootBar(GalleryFolder& folder, ORVProgressXP& bar, const QString& name) {
    bar.setGeometry(0, 0, 4305 / 15, 285 / 15);
    bar.Value();
    folder.shoot(bar, QStringLiteral("progress-") + name);
}

} // namespace

void ProgressGallery::draw(GalleryFolder& folder) {
    for (int value : {0, 1, 25, 50, 100}) {
        ORVProgressXP bar;
        bar.setValue(value);
        shootBar(folder, bar, QStringLiteral("value-%1").arg(value, 3, 10, QLatin1Char('0')));
    }

    // Style 1 under a right-to-left host: the caption stays left-aligned and readable.
    qint64 now = 0;
    ORVProgressXP caption([&now] { return now; });
    caption.setLayoutDirection(Qt::RightToLeft);
    caption.setStyle(1);
    caption.Reset();
    now = 30000;
    caption.setValue(25);
    shootBar(folder, caption, QStringLiteral("style1-caption"));

    ORVProgressXP sliding;
    sliding.setGeometry(0, 0, 4305 / 15, 285 / 15);
    sliding.setStyle(2);
    for (int tick = 0; tick < 14; ++tick)
        QMetaObject::invokeMethod(&sliding, "Timer1_Timer");
    shootBar(folder, sliding, QStringLiteral("style2-sliding"));
}

} // namespace tavor
