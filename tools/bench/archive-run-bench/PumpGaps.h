#pragma once

#include "TimingWindow.h"

#include <QString>
#include <vector>

namespace tavor {

// The gaps between window events while one file is packed: from the start to the
// first pump, between pumps, and from the last pump to the end. Each gap is put in
// the phase of the cabinet writer it fell in, told by the progress shown at its
// two ends (packing takes the bar to 80 %, reading back to 99 %).
class PumpGaps {
public:
    struct Gap {
        double milliseconds = 0;
        int fromPercent = 0;
        int toPercent = 0;
    };

    PumpGaps(TimingWindow::Clock::time_point start, const std::vector<TimingWindow::Pump>& pumps,
             TimingWindow::Clock::time_point end);

    const Gap& longest() const { return longest_; }
    // The longest gap of the phase the name gives, as phaseOf names them.
    Gap longestIn(const QString& phase) const;
    static QString phaseOf(const Gap& gap);

private:
    std::vector<Gap> gaps_;
    Gap longest_;
};

} // namespace tavor
