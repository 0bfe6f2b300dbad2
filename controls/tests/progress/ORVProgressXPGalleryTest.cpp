#include "controls/progress/ORVProgressXP.h"

#include <QDir>
#include <QPixmap>
#include <gtest/gtest.h>

using tavor::ORVProgressXP;

namespace {

QString galleryPath(const QString& name) {
    const QString folder = QStringLiteral(TAVOR_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/progress-") + name + QStringLiteral(".png");
}

// Renders the main window's 4305 x 285 twips bar.
void saveBar(ORVProgressXP& bar, const QString& name) {
    bar.setGeometry(0, 0, 4305 / 15, 285 / 15);
    bar.Value();
    const QPixmap shot = bar.grab();
    ASSERT_EQ(shot.size(), QSize(287, 19));
    ASSERT_TRUE(shot.save(galleryPath(name)));
}

} // namespace

TEST(ORVProgressXPGallery, BlocksAtSeveralValues) {
    for (int value : {0, 1, 25, 50, 100}) {
        ORVProgressXP bar;
        bar.setValue(value);
        saveBar(bar, QStringLiteral("value-%1").arg(value, 3, 10, QLatin1Char('0')));
    }
}

// Style 1 under a right-to-left host: the caption must stay left-aligned and readable.
TEST(ORVProgressXPGallery, CaptionStyleWithEstimate) {
    qint64 now = 0;
    ORVProgressXP bar([&now] { return now; });
    bar.setLayoutDirection(Qt::RightToLeft);
    bar.setStyle(1);
    bar.Reset();
    now = 30000;
    bar.setValue(25);
    saveBar(bar, QStringLiteral("style1-caption"));
}

TEST(ORVProgressXPGallery, SlidingStripMidway) {
    ORVProgressXP bar;
    bar.setGeometry(0, 0, 4305 / 15, 285 / 15);
    bar.setStyle(2);
    for (int tick = 0; tick < 14; ++tick)
        QMetaObject::invokeMethod(&bar, "Timer1_Timer");
    saveBar(bar, QStringLiteral("style2-sliding"));
}
