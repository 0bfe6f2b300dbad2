#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// What start-up and the backup pipeline need of the main window, and nothing more:
// its arrangement and captions, the drive list, the rows of the data-set list, the
// buttons of a run, the progress bar, the busy panel, the maintenance panel's
// lists, the state snapshot, and letting pending window events run. Members that
// can fail raise tavor::Error.
class BackupWindow {
public:
    virtual ~BackupWindow() = default;

    // Start-up: the window's height and the maintenance panel and test button for
    // the mode; the busy panel placed and hidden; the drive list's two pictures
    // loaded; the data-set list disabled, in the window's colour and hidden.
    virtual void arrangeForMode(bool maintenance) = 0;
    virtual void prepareBusyPanel() = 0;
    virtual void loadDrivePictures() = 0;
    virtual void prepareBackupList() = 0;
    // The window's title, the bank and branch caption, the server and database caption.
    virtual void setTitle(const QString& title) = 0;
    virtual void setBranchCaption(const QString& caption) = 0;
    virtual void setConnectionCaption(const QString& caption) = 0;
    // Shows the window in the middle of the screen.
    virtual void showCentred() = 0;
    // Stops the timer that counts start-up's pauses.
    virtual void stopStartUpTimer() = 0;
    // Writes the state snapshot where the environment asks for one.
    virtual void writeStateDump() = 0;

    // The drive list.
    virtual void addDriveRow(const QString& text, int image, const QString& tag) = 0;
    virtual int driveRowCount() const = 0;
    virtual QString driveRowTag(int row) const = 0;
    virtual void selectDriveRow(int row) = 0;

    // The data-set list.
    virtual void setBackupListVisible(bool visible) = 0;
    virtual void clearBackupList() = 0;
    virtual void addBackupRow(const QString& text, int image, const QString& tag) = 0;
    virtual void setBackupRowImage(int row, int image) = 0;

    // The tag of the selected row of the drive list (its mount point).
    virtual QString selectedDriveTag() const = 0;

    // The copy and exit buttons, disabled while a run lasts.
    virtual void setRunButtonsEnabled(bool enabled) = 0;

    // The progress bar.
    virtual void showProgress() = 0;
    virtual void resetProgress() = 0;
    virtual void setProgressValue(int percent) = 0;

    // The busy panel: its caption, the panel itself and its animation.
    virtual void setBusyCaption(const QString& caption) = 0;
    virtual void setBusyPanelVisible(bool visible) = 0;
    virtual void setAnimationAutoPlay(bool on) = 0;
    virtual void openAnimation(const QString& path) = 0;
    virtual void stopAnimation() = 0;
    virtual void setAnimationVisible(bool visible) = 0;

    // The maintenance panel: the debug lines, the pattern box, the file list and
    // the ordered names.
    virtual void appendDebugLine(const QString& line) = 0;
    virtual void appendPatternChoices(const QStringList& patterns) = 0;
    virtual void selectFirstPatternChoice() = 0;
    virtual QString patternText() const = 0;
    virtual void setPatternText(const QString& text) = 0;
    virtual void showFileList(const QString& folder, const QString& pattern,
                              const QStringList& names) = 0;
    virtual void setOrderedNames(const QStringList& names) = 0;
    virtual QStringList orderedNames() const = 0;

    // The maintenance test's statement: the text box moved into view and shown
    // with the text.
    virtual void showTestStatement(const QString& text) = 0;

    // Lets pending window events run once.
    virtual void pumpEvents() = 0;
    // Lets window events run for up to the given time, sleeping while none come.
    virtual void pumpEventsFor(int milliseconds) = 0;
};

} // namespace tavor
