#include "TimingWindow.h"

#include <thread>

namespace tavor {

void TimingWindow::addBackupRow(const QString& text, int image, const QString& tag) {
    rows.append({text, image, tag});
}

void TimingWindow::setBackupRowImage(int row, int image) {
    if (row >= 0 && row < rows.size())
        rows[row].image = image;
}

void TimingWindow::pumpEvents() {
    pumps.push_back({Clock::now(), progress_});
}

void TimingWindow::pumpEventsFor(int milliseconds) {
    pumpEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, milliseconds)));
}

} // namespace tavor
