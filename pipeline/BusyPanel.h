#pragma once

#include "pipeline/BackupContext.h"
#include "base/PendingError.h"

namespace tavor {

// The busy panel shown during long blocking work: a caption over a short clip,
// and a wait that keeps the window alive.
class BusyPanel {
public:
    static constexpr const char* ClipResource = ":/busy/dobk.avi";
    static constexpr const char* ClipFileName = "dobk.avi";

    explicit BusyPanel(BackupContext& context, QString clipSource = QLatin1String(ClipResource))
        : context_(context), clipSource_(std::move(clipSource)) {}

    // Shows the panel with its caption and plays the clip, written afresh to the
    // temporary folder; or stops the clip and hides the panel. A clip that cannot
    // be written or opened only loses the animation.
    void ShowAVI(bool on, const QString& caption);

    // Lets window events run until the seconds have passed on the monotonic clock,
    // sleeping while there are none.
    void Wait(double seconds);

    // Where the clip is written: the temporary folder and the clip's name.
    QString clipPath() const;

private:
    void startAnimation();
    void stopAnimation();

    BackupContext& context_;
    QString clipSource_;
    PendingError pending_;
};

} // namespace tavor
