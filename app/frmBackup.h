#pragma once

#include "app/FormControls.h"
#include "app/FormDesign.h"
#include "app/FormWindow.h"
#include "pipeline/BackupContext.h"
#include "pipeline/BackupPlan.h"
#include "pipeline/FileListing.h"
#include "pipeline/MainState.h"
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

// The program's one window: its controls and the handlers of its buttons and
// lists. Start-up and the backup pipeline reach it through its FormWindow.
class frmBackup : public QWidget {
    Q_OBJECT

public:
    explicit frmBackup(Platform platform, QWidget* parent = nullptr);
    ~frmBackup() override;

    // Runs start-up. An error in its untrapped first steps ends the program
    // with an error report; so does a workstation without a branch database.
    void Load();

    void Timer1_Timer();
    void Command3_Click();
    void cmdCopy_Click();
    void cmdTest_Click();
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
    AnimationControl* animation() const;
    QTimer* Timer1() const { return timer1_; }
    template <typename T> T* control(const char* name) const {
        return controls_.control<T>(QLatin1String(name));
    }
    // Places a control in twips from its container's corner.
    void placeControl(const QString& name, int left, int top, int width, int height) {
        controls_.place(name, left, top, width, height);
    }

    // Writes the state snapshot when ORV_STATE_DUMP names a file.
    void dumpState() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadPictures();
    void connectHandlers();

    Platform platform_;
    std::unique_ptr<ORVApi> ApiObject;
    std::unique_ptr<ORV_Bank> BankObject;
    std::unique_ptr<DatabaseConnection> Connection;
    QString MediaPassword;
    MainState state_;
    FileListing File1_;
    BackupPlan plan_;
    FormWindow window_{*this};
    BackupContext context_;

    FormControls controls_;
    QTimer* timer1_ = nullptr;
    int outerHeight_ = FormDesign::ClientHeight + FormDesign::FrameAbove + FormDesign::FrameBelow;
};

} // namespace tavor
