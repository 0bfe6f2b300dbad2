#pragma once

#include "pipeline/BackupWindow.h"

class QTimer;

namespace tavor {

class WindowModel;
struct MainState;

// The main window as start-up and the backup pipeline see it, on the window's
// model alone: each member sets or reads the state of the controls it names. The
// window's widgets follow the model; without them (an unattended command) nothing
// needs a display.
class ModelWindow : public BackupWindow {
public:
    // The state is the window's, for the state dump; the timer counts start-up's pauses.
    ModelWindow(WindowModel& model, const MainState& state, QTimer& startUpTimer)
        : model_(model), state_(state), startUpTimer_(startUpTimer) {}

    void arrangeForMode(bool maintenance) override;
    void prepareBusyPanel() override;
    void loadDrivePictures() override;
    void prepareBackupList() override;
    void setTitle(const QString& title) override;
    void setBranchCaption(const QString& caption) override;
    void setConnectionCaption(const QString& caption) override;
    void showCentred() override;
    void stopStartUpTimer() override;
    void writeStateDump() override;
    void addDriveRow(const QString& text, int image, const QString& tag) override;
    int driveRowCount() const override;
    QString driveRowTag(int row) const override;
    void selectDriveRow(int row) override;
    void setBackupListVisible(bool visible) override;
    void clearBackupList() override;
    void addBackupRow(const QString& text, int image, const QString& tag) override;
    void setBackupRowImage(int row, int image) override;
    QString selectedDriveTag() const override;
    void setRunButtonsEnabled(bool enabled) override;
    void showProgress() override;
    void resetProgress() override;
    void setProgressValue(int percent) override;
    void setBusyCaption(const QString& caption) override;
    void setBusyPanelVisible(bool visible) override;
    void setAnimationAutoPlay(bool on) override;
    void openAnimation(const QString& path) override;
    void stopAnimation() override;
    void setAnimationVisible(bool visible) override;
    void appendDebugLine(const QString& line) override;
    void appendPatternChoices(const QStringList& patterns) override;
    void selectFirstPatternChoice() override;
    QString patternText() const override;
    void setPatternText(const QString& text) override;
    void showFileList(const QString& folder, const QString& pattern,
                      const QStringList& names) override;
    void setOrderedNames(const QStringList& names) override;
    QStringList orderedNames() const override;
    void showTestStatement(const QString& text) override;
    void pumpEvents() override;
    void pumpEventsFor(int milliseconds) override;

private:
    WindowModel& model_;
    const MainState& state_;
    QTimer& startUpTimer_;
};

} // namespace tavor
