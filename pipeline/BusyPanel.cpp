#include "pipeline/BusyPanel.h"

#include "base/Outcome.h"
#include "pipeline/BranchNames.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace tavor {

void BusyPanel::ShowAVI(bool on, const QString& caption) {
    BackupWindow& window = context_.window;
    ignoreFailure([&] { window.setBusyCaption(caption); });
    ignoreFailure([&] { window.setBusyPanelVisible(on); });
    if (on)
        startAnimation();
    else
        stopAnimation();
    ignoreFailure([&] { window.pumpEvents(); });
}

void BusyPanel::startAnimation() {
    BackupWindow& window = context_.window;
    ignoreFailure([&] { window.setAnimationAutoPlay(true); });
    QByteArray clip;
    ignoreFailure([&] {
        QFile source(clipSource_);
        if (!source.open(QIODevice::ReadOnly))
            throw Error(ErrorNumber::FileNotFound,
                        QStringLiteral("The busy clip cannot be read: ") + source.errorString());
        clip = source.readAll();
    });
    const QString path = clipPath();
    // A clip that could not be written is not opened: what lies under that name in
    // a shared folder may be anybody's.
    if (Outcome::of([&] { context_.platform.files->writeFile(path, clip); }))
        ignoreFailure([&] { window.openAnimation(path); });
    ignoreFailure([&] { window.setAnimationVisible(true); });
}

void BusyPanel::stopAnimation() {
    BackupWindow& window = context_.window;
    ignoreFailure([&] { window.setAnimationAutoPlay(false); });
    ignoreFailure([&] { window.stopAnimation(); });
    ignoreFailure([&] { window.setAnimationVisible(false); });
}

QString BusyPanel::clipPath() const {
    return BranchNames::FixPath(context_.platform.process->environment(QStringLiteral("temp"))) +
           QLatin1String(ClipFileName);
}

void BusyPanel::Wait(double seconds) {
    const Clock& clock = *context_.platform.clock;
    constexpr double LongestWait = 7 * 24 * 3600.0;
    const qint64 span = std::llround(std::clamp(seconds, 0.0, LongestWait) * 1000.0);
    const qint64 start = clock.monotonicMilliseconds();
    for (qint64 elapsed = 0; elapsed < span; elapsed = clock.monotonicMilliseconds() - start) {
        context_.window.pumpEventsFor(int(span - elapsed));
    }
}

} // namespace tavor
