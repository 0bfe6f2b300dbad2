#pragma once

#include "app/FormControls.h"
#include "app/FormDesign.h"
#include "pipeline/BackupContext.h"
#include "pipeline/BackupWindow.h"
#include "pipeline/FileListing.h"
#include "pipeline/MainState.h"
#include "base/PendingError.h"
#include "platform/Platform.h"

#include <QWidget>
#include <memory>

class QTimer;

namespace tavor {

class ORVApi;
class ORV_Bank;
class AnimationControl;
class ORVLog;
class ORVProgressXP;

// The program's one window: start-up, the drive list, the data-set list and
// the buttons that run the backup and end the program. The backup pipeline
// reaches it through BackupWindow.
class frmBackup : public QWidget, public BackupWindow {
    Q_OBJECT

public:
    explicit frmBackup(Platform platform, QWidget* parent = nullptr);
    ~frmBackup() override;

    // Runs start-up. An error in its untrapped first steps ends the program
    // with an error report; so does a workstation without a branch database.
    void Load();

    void Form_Load();
    void Timer1_Timer();
    void Command3_Click();
    void cmdCopy_Click();
    void FillBackupList();
    void Label1_MouseDown(int button, int shift);
    void Text2_Change();
    void Text2_Click();
    void ShowAVI(bool on, const QString& caption);
    void Wait(double seconds);

    // The window's outer height in twips, frame included.
    int outerHeight() const { return outerHeight_; }
    void setOuterHeight(int twips);

    const MainState& state() const { return state_; }
    QWidget* control(const QString& name) const { return controls_.control(name); }
    // The geometry last set on a control, in twips from its container's corner.
    QRect twipsGeometry(const QString& name) const { return controls_.twipsGeometry(name); }
    QString containerName(const QString& name) const { return controls_.containerName(name); }
    QStringList controlNames() const { return controls_.names(); }
    ORVLog* ORVLog1() const;
    ORVLog* ORVLog2() const;
    ORVProgressXP* ORVProgressXP1() const;
    QTimer* Timer1() const { return timer1_; }

    // Writes the state snapshot when ORV_STATE_DUMP names a file.
    void dumpState() const;

    static constexpr const char* AccessCode = "418265";

    // BackupWindow
    void setBackupListVisible(bool visible) override;
    void clearBackupList() override;
    void addBackupRow(const QString& text, int image, const QString& tag) override;
    int backupRowCount() const override;
    QString backupRowText(int row) const override;
    QString backupRowTag(int row) const override;
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
    void pumpEvents() override;
    void pumpEventsFor(int milliseconds) override;

    // The maintenance test button and the text box that shows its statement.
    void cmdTest_Click();
    void showTestStatement(const QString& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    AnimationControl* animation() const;
    void loadPictures();
    void connectHandlers();
    void placeControl(const QString& name, int left, int top, int width, int height);
    bool isMaintenanceMode() const;

    void PrepareControls();
    void ConnectToBranch();
    QString BranchConnectionString(const QString& password, const QString& userId) const;
    QString ReadSystemValue(const QString& name);
    void FormBranchNames();
    void ListTargetDrives();
    void ShowNotLinkedMessage();
    void centreOnScreen();
    void showErrorReport(const Error& error);
    void reportFatal(const Error& error);
    void endProgram(int exitCode);
    bool isUnattended() const;
    void runUnattended();

    Platform platform_;
    std::unique_ptr<ORVApi> ApiObject;
    std::unique_ptr<ORV_Bank> BankObject;
    std::unique_ptr<DatabaseConnection> Connection;
    QString MediaPassword;
    MainState state_;
    PendingError pending_;
    FileListing File1_;
    BackupContext context_;

    FormControls controls_;
    QTimer* timer1_ = nullptr;
    // An unattended run that ends before its copy run has taken place ends with 2.
    bool unattendedRunDone_ = false;
    int outerHeight_ = FormDesign::ClientHeight + FormDesign::FrameAbove + FormDesign::FrameBelow;
};

} // namespace tavor
