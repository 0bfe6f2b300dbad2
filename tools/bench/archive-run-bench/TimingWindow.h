#pragma once

#include "pipeline/BackupWindow.h"

#include <QList>
#include <chrono>
#include <vector>

namespace tavor {

// A window held in memory that notes when window events would have run: the time
// of every pump, with the progress value shown then, and when the progress bar
// appears (the end of the server backups' preparation).
class TimingWindow : public BackupWindow {
public:
    using Clock = std::chrono::steady_clock;

    struct Pump {
        Clock::time_point at;
        int progress;
    };

    struct Row {
        QString text;
        int image;
        QString tag;
    };

    QList<Row> rows;
    QString driveTag;
    std::vector<Pump> pumps;
    Clock::time_point progressShown;

    void arrangeForMode(bool) override {}
    void prepareBusyPanel() override {}
    void loadDrivePictures() override {}
    void prepareBackupList() override {}
    void setTitle(const QString&) override {}
    void setBranchCaption(const QString&) override {}
    void setConnectionCaption(const QString&) override {}
    void showCentred() override {}
    void stopStartUpTimer() override {}
    void writeStateDump() override {}
    void addDriveRow(const QString&, int, const QString&) override {}
    int driveRowCount() const override { return 0; }
    QString driveRowTag(int) const override { return {}; }
    void selectDriveRow(int) override {}
    void setBackupListVisible(bool) override {}
    void clearBackupList() override { rows.clear(); }
    void addBackupRow(const QString& text, int image, const QString& tag) override;
    void setBackupRowImage(int row, int image) override;
    QString selectedDriveTag() const override { return driveTag; }
    void setRunButtonsEnabled(bool) override {}
    void showProgress() override { progressShown = Clock::now(); }
    void resetProgress() override { progress_ = 0; }
    void setProgressValue(int percent) override { progress_ = percent; }
    void setBusyCaption(const QString&) override {}
    void setBusyPanelVisible(bool) override {}
    void setAnimationAutoPlay(bool) override {}
    void openAnimation(const QString&) override {}
    void stopAnimation() override {}
    void setAnimationVisible(bool) override {}
    void appendDebugLine(const QString&) override {}
    void appendPatternChoices(const QStringList&) override {}
    void selectFirstPatternChoice() override {}
    QString patternText() const override { return {}; }
    void setPatternText(const QString&) override {}
    void showFileList(const QString&, const QString&, const QStringList&) override {}
    void setOrderedNames(const QStringList&) override {}
    QStringList orderedNames() const override { return {}; }
    void showTestStatement(const QString&) override {}
    void pumpEvents() override;
    // Sleeps as the real window does when no event comes.
    void pumpEventsFor(int milliseconds) override;

private:
    int progress_ = 0;
};

} // namespace tavor
