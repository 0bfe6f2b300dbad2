#include "app/frmBackup.h"

#include "app/FileListBox.h"
#include "app/StateDump.h"
#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "pipeline/ArchiveRun.h"
#include "pipeline/BackupItemList.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/NewestBackup.h"
#include "pipeline/RunRecorder.h"
#include "pipeline/StartUp.h"
#include "pipeline/TestBackup.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/ORV_Bank.h"
#include "resources/BusyResources.h"
#include "resources/WindowResources.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace tavor {

frmBackup::frmBackup(Platform platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      platform_(std::move(platform)),
      File1_(platform_.files), context_{platform_,  window_,       state_, ApiObject, BankObject,
                                        Connection, MediaPassword, File1_, plan_} {
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Form1"));
    setLayoutDirection(Qt::RightToLeft);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSizeF(8.25);
    setFont(dialogFont);
    tavorInitWindowResources();
    tavorInitBusyResources();
    setWindowIcon(QIcon(WindowPictures::Icon));
    controls_.build(this);
    loadPictures();
    connectHandlers();
    setOuterHeight(outerHeight_);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    connect(timer1_, &QTimer::timeout, this, &frmBackup::Timer1_Timer);
    timer1_->start();
}

frmBackup::~frmBackup() = default;

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

void frmBackup::loadPictures() {
    const std::pair<const char*, QString> pictures[] = {
        {"Image1", WindowPictures::Banner},
        {"Image2", WindowPictures::HardDisk},
        {"Image3", WindowPictures::RemovableDrive},
    };
    for (const auto& [name, resource] : pictures)
        control<QLabel>(name)->setPixmap(QPixmap(resource));
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

void frmBackup::setOuterHeight(int twips) {
    outerHeight_ = twips;
    const int clientHeight = std::max(0, twips - FormDesign::FrameAbove - FormDesign::FrameBelow);
    setFixedSize(FormControls::toPixels(FormDesign::ClientWidth),
                 FormControls::toPixels(clientHeight));
}

void frmBackup::Load() {
    StartUp(context_).Load();
}

void frmBackup::Timer1_Timer() {
    auto* label = control<QLabel>("Label2");
    label->setText(label->text() + QLatin1Char('.'));
}

void frmBackup::Command3_Click() {
    if (state_.RunInProgress)
        return;
    BankObject.reset();
    ApiObject.reset();
    context_.endProgram(0);
}

void frmBackup::cmdCopy_Click() {
    if (state_.RunInProgress)
        return;
    RunRecorder recorder(context_);
    recorder.begin();
    ArchiveRun run(context_);
    const QList<RowOutcome> outcomes = run.cmdCopy_Click();
    recorder.finish(outcomes, run.interruption(), run.manifest());
    // A stop signal cut the run short: the program ends as it was asked to.
    if (!run.interruption().isEmpty()) {
        context_.endProgram(1);
        return;
    }
    // Only now that the record is kept: RUN.json goes with the stick.
    run.removeDriveSafely();
    dumpState();
}

void frmBackup::cmdTest_Click() {
    TestBackup(context_).cmdTest_Click();
}

void frmBackup::FillBackupList() {
    BackupItemList(context_).FillBackupList();
}

void frmBackup::Label1_MouseDown(int button, int shift) {
    try {
        BackupItemList(context_).Label1_MouseDown(button, shift);
    } catch (const Error& error) {
        // The gesture stops at the failed store; the program goes on.
        context_.showMessage(error.report(), MessageIcon::Critical);
    }
}

void frmBackup::Text2_Change() {
    NewestBackup(context_).Text2_Change();
}

void frmBackup::Text2_Click() {
    NewestBackup(context_).Text2_Change();
}

void frmBackup::ShowAVI(bool on, const QString& caption) {
    BusyPanel(context_).ShowAVI(on, caption);
}

void frmBackup::Wait(double seconds) {
    BusyPanel(context_).Wait(seconds);
}

void frmBackup::dumpState() const {
    const QString path = qEnvironmentVariable("ORV_STATE_DUMP");
    if (!path.isEmpty())
        StateDump::write(*this, path);
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
    if (state_.RunInProgress) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace tavor
