#pragma once

#include "app/frmBackup.h"
#include "support/PlatformDoubles.h"

namespace tavor {

// A main window on doubles of every platform part.
class WindowFixture : public PlatformDoubles {
protected:
    // Runs start-up; returns the exit status when the program ended, -1 when it went on.
    template <typename Form> static int load(Form& form) {
        try {
            form.Load();
        } catch (const ProcessEnded& ended) {
            return ended.exitCode;
        }
        return -1;
    }
};

} // namespace tavor
