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

    void setBackupListVisible(bool visible) override { listVisible = visible; }
    void clearBackupList() override {
        rows.clear();
        log << QStringLiteral("clear");
    }
    void addBackupRow(const QString& text, int image, const QString& tag) override {
        rows.append({text, image, tag});
    }
    int backupRowCount() const override { return int(rows.size()); }
    QString backupRowText(int row) const override { return rows.value(row).text; }
    QString backupRowTag(int row) const override { return rows.value(row).tag; }
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
