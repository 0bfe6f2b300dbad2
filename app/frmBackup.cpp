#include "app/frmBackup.h"

#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/record/RunRecorder.h"
#include "pipeline/run/ArchiveRun.h"
#include "pipeline/serverbackup/TestBackup.h"
#include "pipeline/startup/BackupItemList.h"
#include "pipeline/startup/NewestBackup.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/ORV_Bank.h"
#include "resources/WindowResources.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace tavor {

frmBackup::frmBackup(Platform platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      form_(std::move(platform)) {
    setObjectName(QString::fromLatin1(FormDesign::WindowName));
    setLayoutDirection(Qt::RightToLeft);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSizeF(8.25);
    setFont(dialogFont);
    setWindowIcon(QIcon(WindowPictures::Icon));
    controls_.build(this, form_.model());
    connectHandlers();
    connect(&form_.model(), &WindowModel::windowChanged, this, &frmBackup::followModel);
    followModel();
}

// The controls show the form's model; they go before it.
frmBackup::~frmBackup() {
    disconnect(&form_.model(), nullptr, this, nullptr);
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void frmBackup::connectHandlers() {
    connect(control<QPushButton>("Command3"), &QPushButton::clicked, this,
            &frmBackup::Command3_Click);
    connect(control<QPushButton>("cmdCopy"), &QPushButton::clicked, this,
            &frmBackup::cmdCopy_Click);
    connect(control<QPushButton>("cmdTest"), &QPushButton::clicked, this,
            &frmBackup::cmdTest_Click);
    auto* text2 = control<QComboBox>("Text2");
    connect(text2, &QComboBox::editTextChanged, this, &frmBackup::Text2_Change);
    connect(text2, &QComboBox::activated, this, &frmBackup::Text2_Click);
    control<QLabel>("Label1")->installEventFilter(this);
}

void frmBackup::followModel() {
    const WindowModel& model = form_.model();
    setWindowTitle(model.title());
    const int clientHeight =
        std::max(0, model.outerHeight() - FormDesign::FrameAbove - FormDesign::FrameBelow);
    setFixedSize(FormControls::toPixels(FormDesign::ClientWidth),
                 FormControls::toPixels(clientHeight));
    if (model.isVisible() && !isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
    } else if (!model.isVisible() && isVisible()) {
        hide();
    }
}

AnimationControl* frmBackup::animation() const {
    return control<AnimationControl>("Animation1");
}

ORVLog* frmBackup::ORVLog1() const {
    return control<ORVLog>("ORVLog1");
}

ORVLog* frmBackup::ORVLog2() const {
    return control<ORVLog>("ORVLog2");
}

ORVProgressXP* frmBackup::ORVProgressXP1() const {
    return control<ORVProgressXP>("ORVProgressXP1");
}

void frmBackup::Load() {
    form_.Load();
}

void frmBackup::Timer1_Timer() {
    form_.Timer1_Timer();
}

void frmBackup::Command3_Click() {
    BackupContext& context = form_.context();
    if (context.state.RunInProgress)
        return;
    context.bank.reset();
    context.api.reset();
    context.endProgram(0);
}

void frmBackup::cmdCopy_Click() {
    BackupContext& context = form_.context();
    if (context.state.RunInProgress)
        return;
    RunRecorder recorder(context);
    recorder.begin();
    ArchiveRun run(context);
    const QList<RowOutcome> outcomes = run.cmdCopy_Click();
    recorder.finish(outcomes, run.interruption(), run.manifest(), run.pruning().removed);
    // A stop signal cut the run short: the program ends as it was asked to.
    if (!run.interruption().isEmpty()) {
        context.endProgram(1);
        return;
    }
    // Only now that the record is kept: RUN.json goes with the stick.
    run.removeDriveSafely();
    dumpState();
}

void frmBackup::cmdTest_Click() {
    TestBackup(form_.context()).cmdTest_Click();
}

void frmBackup::FillBackupList() {
    BackupItemList(form_.context()).FillBackupList();
}

void frmBackup::Label1_MouseDown(int button, int shift) {
    try {
        BackupItemList(form_.context()).Label1_MouseDown(button, shift);
    } catch (const Error& error) {
        // The gesture stops at the failed store; the program goes on.
        form_.context().showMessage(error.report(), MessageIcon::Critical);
    }
}

void frmBackup::Text2_Change() {
    NewestBackup(form_.context()).Text2_Change();
}

void frmBackup::Text2_Click() {
    NewestBackup(form_.context()).Text2_Change();
}

void frmBackup::ShowAVI(bool on, const QString& caption) {
    BusyPanel(form_.context()).ShowAVI(on, caption);
}

void frmBackup::Wait(double seconds) {
    BusyPanel(form_.context()).Wait(seconds);
}

bool frmBackup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == control<QLabel>("Label1")) {
        const auto* press = static_cast<QMouseEvent*>(event);
        int button = 0;
        if (press->button() == Qt::LeftButton)
            button = 1;
        else if (press->button() == Qt::RightButton)
            button = 2;
        else if (press->button() == Qt::MiddleButton)
            button = 4;
        const Qt::KeyboardModifiers keys = press->modifiers();
        const int shift = (keys.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                          (keys.testFlag(Qt::ControlModifier) ? 2 : 0) |
                          (keys.testFlag(Qt::AltModifier) ? 4 : 0);
        Label1_MouseDown(button, shift);
    }
    return QWidget::eventFilter(watched, event);
}

void frmBackup::closeEvent(QCloseEvent* event) {
    if (state().RunInProgress) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

// Closed or hidden by the program; a minimised window is still shown.
void frmBackup::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        form_.model().setVisible(false);
    QWidget::hideEvent(event);
}

} // namespace tavor
