#pragma once

#include "app/FormControls.h"
#include "platform/Platform.h"
#include "window/BackupForm.h"
#include "window/FormDesign.h"

#include <QWidget>

class QTimer;

namespace tavor {

class AnimationControl;
class ORVLog;
class ORVProgressXP;

// The program's one window: the widgets of its controls, which render the form's
// model, and the handlers of its buttons and lists. Start-up and the backup
// pipeline work on the form's model through its ModelWindow.
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
    int outerHeight() const { return form_.model().outerHeight(); }

    BackupForm& form() { return form_; }
    const WindowModel& model() const { return form_.model(); }
    const MainState& state() const { return form_.state(); }
    QWidget* control(const QString& name) const { return controls_.control(name); }
    // The geometry last set on a control, in twips from its container's corner.
    QRect twipsGeometry(const QString& name) const { return model().control(name).twips; }
    QString containerName(const QString& name) const {
        return model().control(name).design->container;
    }
    ORVLog* ORVLog1() const;
    ORVLog* ORVLog2() const;
    ORVProgressXP* ORVProgressXP1() const;
    AnimationControl* animation() const;
    QTimer* Timer1() { return form_.Timer1(); }
    template <typename T> T* control(const char* name) const {
        return controls_.control<T>(QLatin1String(name));
    }

    // Writes the state snapshot when ORV_STATE_DUMP names a file.
    void dumpState() { form_.dumpState(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void connectHandlers();
    // Shows the model's title, height and visibility on the window.
    void followModel();

    BackupForm form_;
    FormControls controls_;
};

} // namespace tavor
