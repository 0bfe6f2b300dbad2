#pragma once

#include "pipeline/BackupWindow.h"

#include <QList>
#include <functional>

namespace tavor {

// A window held in memory: the rows, lists and panel state the pipeline set,
// and a log of the calls that matter for order.
class FakeBackupWindow : public BackupWindow {
public:
    struct Row {
        QString text;
        int image;
        QString tag;
    };

    QList<Row> rows;
    QList<Row> driveRows;
    int selectedDrive = -1;
    bool maintenanceArranged = false;
    QString title;
    QString branchCaption;
    QString connectionCaption;
    bool shown = false;
    int stateDumps = 0;
    bool listVisible = true;
    QString driveTag;
    bool buttonsEnabled = true;
    bool progressVisible = false;
    int progressValue = 0;
    QString busyCaption;
    bool busyVisible = false;
    bool autoPlay = false;
    bool animationVisible = false;
    QStringList openedClips;
    QStringList debugLines;
    QStringList patternChoices;
    QString pattern;
    QString shownFolder;
    QString shownPattern;
    QStringList shownNames;
    QStringList ordered;
    QString testStatement;
    int pumps = 0;
    int timedPumps = 0;
    // Called at every pump, to act as the operator would while events run.
    std::function<void()> onPump;
    QStringList log;

    void arrangeForMode(bool maintenance) override { maintenanceArranged = maintenance; }
    void prepareBusyPanel() override {}
    void loadDrivePictures() override {}
    void prepareBackupList() override { listVisible = false; }
    void setTitle(const QString& text) override { title = text; }
    void setBranchCaption(const QString& caption) override { branchCaption = caption; }
    void setConnectionCaption(const QString& caption) override { connectionCaption = caption; }
    void showCentred() override { shown = true; }
    void stopStartUpTimer() override {}
    void writeStateDump() override { ++stateDumps; }
    void addDriveRow(const QString& text, int image, const QString& tag) override {
        driveRows.append({text, image, tag});
    }
    int driveRowCount() const override { return int(driveRows.size()); }
    QString driveRowTag(int row) const override { return driveRows.value(row).tag; }
    void selectDriveRow(int row) override {
        selectedDrive = row;
        driveTag = driveRows.value(row).tag;
    }
    void setBackupListVisible(bool visible) override { listVisible = visible; }
    void clearBackupList() override {
        rows.clear();
        log << QStringLiteral("clear");
    }
    void addBackupRow(const QString& text, int image, const QString& tag) override {
        rows.append({text, image, tag});
    }
    void setBackupRowImage(int row, int image) override {
        if (row >= 0 && row < rows.size())
            rows[row].image = image;
        log << QStringLiteral("image %1 %2").arg(row).arg(image);
    }
    QString selectedDriveTag() const override { return driveTag; }
    void setRunButtonsEnabled(bool enabled) override {
        buttonsEnabled = enabled;
        log << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
    }
    void showProgress() override { progressVisible = true; }
    void resetProgress() override { progressValue = 0; }
    void setProgressValue(int percent) override { progressValue = percent; }
    void setBusyCaption(const QString& caption) override { busyCaption = caption; }
    void setBusyPanelVisible(bool visible) override {
        busyVisible = visible;
        log << (visible ? QStringLiteral("busy on") : QStringLiteral("busy off"));
    }
    void setAnimationAutoPlay(bool on) override { autoPlay = on; }
    void openAnimation(const QString& path) override { openedClips << path; }
    void stopAnimation() override { log << QStringLiteral("stop animation"); }
    void setAnimationVisible(bool visible) override { animationVisible = visible; }
    void appendDebugLine(const QString& line) override { debugLines << line; }
    void appendPatternChoices(const QStringList& patterns) override { patternChoices << patterns; }
    void selectFirstPatternChoice() override { pattern = patternChoices.value(0); }
    QString patternText() const override { return pattern; }
    void setPatternText(const QString& text) override { pattern = text; }
    void showFileList(const QString& folder, const QString& pattern_,
                      const QStringList& names) override {
        shownFolder = folder;
        shownPattern = pattern_;
        shownNames = names;
    }
    void setOrderedNames(const QStringList& names) override { ordered = names; }
    QStringList orderedNames() const override { return ordered; }
    void showTestStatement(const QString& text) override { testStatement = text; }
    void pumpEvents() override {
        ++pumps;
        if (onPump)
            onPump();
    }
    void pumpEventsFor(int) override {
        ++timedPumps;
        if (onPump)
            onPump();
    }
};

} // namespace tavor
