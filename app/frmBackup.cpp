#include "app/frmBackup.h"

#include "app/DriveList.h"
#include "app/FileListBox.h"
#include "app/StateDump.h"
#include "controls/animation/AnimationControl.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "modules/NewLink.h"
#include "modules/modCheckNewVer.h"
#include "pipeline/ArchiveRun.h"
#include "pipeline/BackupItemList.h"
#include "pipeline/BranchNames.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/NewestBackup.h"
#include "pipeline/RunReport.h"
#include "pipeline/TestBackup.h"
#include "base/BlankTrim.h"
#include "platform/api/ORVApi.h"
#include "platform/api/StoredTokens.h"
#include "platform/bank/ORV_Bank.h"
#include "formats/connectionstring/ConnectionString.h"
#include "resources/BusyResources.h"
#include "resources/WindowResources.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
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
#include <cstdio>

namespace tavor {

namespace {

const QString kBackupKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");
// The window's own background, a system colour, handed to the data-set list.
constexpr quint32 kButtonFaceColour = 0x8000000F;

} // namespace

frmBackup::frmBackup(Platform platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      platform_(std::move(platform)),
      File1_(platform_.files), context_{platform_,  *this,      state_,        ApiObject,
                                        BankObject, Connection, MediaPassword, File1_} {
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
    connect(controls_.control<QPushButton>(QStringLiteral("Command3")), &QPushButton::clicked, this,
            &frmBackup::Command3_Click);
    connect(controls_.control<QPushButton>(QStringLiteral("cmdCopy")), &QPushButton::clicked, this,
            &frmBackup::cmdCopy_Click);
    connect(controls_.control<QPushButton>(QStringLiteral("cmdTest")), &QPushButton::clicked, this,
            &frmBackup::cmdTest_Click);
    auto* text2 = controls_.control<QComboBox>(QStringLiteral("Text2"));
    connect(text2, &QComboBox::editTextChanged, this, &frmBackup::Text2_Change);
    connect(text2, &QComboBox::activated, this, &frmBackup::Text2_Click);
    controls_.control(QStringLiteral("Label1"))->installEventFilter(this);
}

AnimationControl* frmBackup::animation() const {
    return controls_.control<AnimationControl>(QStringLiteral("Animation1"));
}

ORVLog* frmBackup::ORVLog1() const {
    return controls_.control<ORVLog>(QStringLiteral("ORVLog1"));
}

ORVLog* frmBackup::ORVLog2() const {
    return controls_.control<ORVLog>(QStringLiteral("ORVLog2"));
}

ORVProgressXP* frmBackup::ORVProgressXP1() const {
    return controls_.control<ORVProgressXP>(QStringLiteral("ORVProgressXP1"));
}

void frmBackup::loadPictures() {
    const std::pair<const char*, QString> pictures[] = {
        {"Image1", WindowPictures::Banner},
        {"Image2", WindowPictures::HardDisk},
        {"Image3", WindowPictures::RemovableDrive},
    };
    for (const auto& [name, resource] : pictures)
        qobject_cast<QLabel*>(control(QString::fromLatin1(name)))->setPixmap(QPixmap(resource));
}

void frmBackup::placeControl(const QString& name, int left, int top, int width, int height) {
    controls_.place(name, left, top, width, height);
}

void frmBackup::setOuterHeight(int twips) {
    outerHeight_ = twips;
    const int clientHeight = std::max(0, twips - FormDesign::FrameAbove - FormDesign::FrameBelow);
    setFixedSize(FormControls::toPixels(FormDesign::ClientWidth),
                 FormControls::toPixels(clientHeight));
}

bool frmBackup::isMaintenanceMode() const {
    return state_.CommandLine == QLatin1String("/M");
}

void frmBackup::Timer1_Timer() {
    auto* label = qobject_cast<QLabel*>(control(QStringLiteral("Label2")));
    label->setText(label->text() + QLatin1Char('.'));
}

void frmBackup::Load() {
    try {
        Form_Load();
    } catch (const Error& error) {
        reportFatal(error);
    }
}

void frmBackup::Form_Load() {
    // Until the update check, a failure ends the program with a report.
    ApiObject = std::make_unique<ORVApi>(platform_.registry);
    setOuterHeight(FormDesign::NormalHeight);
    state_.CommandLine = BlankTrim::trim(platform_.process->commandLine()).toUpper();
    ApiObject->setOpenKey(QString::fromLatin1(AccessCode));
    qobject_cast<QFrame*>(control(QStringLiteral("Picture3")))->setFrameShape(QFrame::NoFrame);
    if (isMaintenanceMode()) {
        control(QStringLiteral("Picture3"))->setVisible(true);
        setOuterHeight(FormDesign::MaintenanceHeight);
    }
    control(QStringLiteral("cmdTest"))->setVisible(isMaintenanceMode());
    modCheckNewVer(ApiObject.get(), platform_, [this] { endProgram(0); }).CheckForNewVersion();

    // From here on a failing step is skipped and start-up goes on.
    pending_.attempt([&] { PrepareControls(); });
    pending_.attempt(
        [&] { BankObject = std::make_unique<ORV_Bank>(platform_.database, platform_.registry); });
    pending_.attempt(
        [&] { MediaPassword = ApiObject->secret().SimpleSecrit(StoredTokens::MediaPassword); });
    pending_.attempt([&] {
        state_.RememberedDrive =
            ApiObject->Regestry().get_String(kBackupKey, QStringLiteral("Drive"));
    });
    pending_.attempt([&] {
        state_.ServerName = NewLink::ResolveDatabaseLink(
            *ApiObject, platform_.process->programFolder(), state_.DatabaseName);
    });
    pending_.attempt([&] { ConnectToBranch(); });
    pending_.attempt([&] { ListTargetDrives(); });
    if (state_.BankName.isEmpty()) {
        ShowNotLinkedMessage();
        endProgram(0);
        return;
    }
    pending_.attempt([&] {
        centreOnScreen();
        show();
    });
    QCoreApplication::processEvents();
    pending_.attempt([&] { FillBackupList(); });
    pending_.attempt([&] { ORVLog2()->setVisible(true); });
    pending_.attempt([&] { timer1_->stop(); });
    dumpState();
    if (isUnattended())
        runUnattended();
}

void frmBackup::PrepareControls() {
    pending_.attempt([&] {
        auto* picture1 = qobject_cast<QFrame*>(control(QStringLiteral("Picture1")));
        picture1->setFrameShape(QFrame::NoFrame);
        const QRect designed = twipsGeometry(QStringLiteral("Picture1"));
        placeControl(QStringLiteral("Picture1"), -15, 990, designed.width(), designed.height());
        picture1->setVisible(false);
        picture1->raise();
        control(QStringLiteral("Animation1"))->setVisible(false);
    });
    pending_.attempt([&] {
        File1_.setFolder(platform_.process->programFolder());
        showFileList(File1_.folder(), File1_.pattern(), File1_.names());
    });
    pending_.attempt([&] {
        ORVLog1()->LoadImage(qobject_cast<QLabel*>(control(QStringLiteral("Image2")))->pixmap());
        ORVLog1()->LoadImage(qobject_cast<QLabel*>(control(QStringLiteral("Image3")))->pixmap());
    });
    pending_.attempt([&] {
        ORVLog2()->setEnabled(false);
        ORVLog2()->setBackColor(kButtonFaceColour);
        ORVLog2()->setVisible(false);
    });
}

void frmBackup::ConnectToBranch() {
    QString userId;
    QString password;
    pending_.attempt([&] {
        ORV_Bank loginBank(platform_.database, platform_.registry);
        loginBank.System().GetLogin(userId, password, QString::fromLatin1(AccessCode));
    });
    if (password.isEmpty()) {
        pending_.attempt(
            [&] { password = ApiObject->secret().SimpleSecrit(StoredTokens::DatabasePassword); });
        pending_.attempt(
            [&] { userId = ApiObject->secret().SimpleSecrit(StoredTokens::DatabaseUser); });
    }

    qobject_cast<QLabel*>(control(QStringLiteral("Label5")))
        ->setText(QStringLiteral("Server = ") + state_.ServerName +
                  QStringLiteral("           Database = ") + state_.DatabaseName);
    QCoreApplication::processEvents();

    pending_.attempt(
        [&] { BankObject->System().OpenConnection(state_.ServerName, state_.DatabaseName); });
    pending_.attempt([&] {
        Connection = platform_.database->createConnection();
        Connection->open(BranchConnectionString(password, userId));
    });

    state_.PrevBusinessDate = ReadSystemValue(QStringLiteral("Sys_BusinessDate_Prev"));
    state_.BankName = ReadSystemValue(QStringLiteral("Sys_BankName"));
    state_.BranchName = ReadSystemValue(QStringLiteral("Sys_BranchName"));
    state_.BranchType = ReadSystemValue(QStringLiteral("Sys_BranchType"));
    state_.BranchNum = ReadSystemValue(QStringLiteral("Sys_BranchNum"));
    state_.BackupPath = ReadSystemValue(QStringLiteral("Sys_Backup_Path"));
    state_.FinaPath = ReadSystemValue(QStringLiteral("Sys_Fina_Path"));

    const ProgramVersion version = platform_.process->programVersion();
    setWindowTitle(
        platform_.process->programTitle() + QLatin1Char(' ') +
        QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision));
    qobject_cast<QLabel*>(control(QStringLiteral("Label1")))
        ->setText(state_.BankName + QStringLiteral(" - ") + state_.BranchType + QLatin1Char(' ') +
                  state_.BranchName);
    FormBranchNames();
}

QString frmBackup::BranchConnectionString(const QString& password, const QString& userId) const {
    // Values stand as they are, but one holding ';' is quoted so that it cannot
    // spill into the fields after it.
    const QChar separator(';');
    return QStringLiteral("Provider=SQLOLEDB.1") + separator +
           ConnectionString::typedField(QStringLiteral("Password"), password) + separator +
           ConnectionString::typedField(QStringLiteral("User ID"), userId) + separator +
           ConnectionString::typedField(QStringLiteral("Initial Catalog"), state_.DatabaseName) +
           separator +
           ConnectionString::typedField(QStringLiteral("Data Source"), state_.ServerName);
}

QString frmBackup::ReadSystemValue(const QString& name) {
    QString value;
    pending_.attempt([&] {
        if (!Connection)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The connection is not open"));
        QString query =
            QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'FLD')");
        query.replace(QStringLiteral("FLD"), name);
        const std::optional<QVariant> first = Connection->readFirstValue(query);
        if (first && !first->isNull())
            value = BlankTrim::trim(first->toString());
    });
    return value;
}

void frmBackup::FormBranchNames() {
    const QStringList candidates = BranchNames::FinaFileCandidates(
        state_.BackupPath, state_.FinaPath, state_.BranchNum, state_.DatabaseName);
    for (const QString& candidate : candidates) {
        state_.FinaFile = candidate;
        if (platform_.files && platform_.files->isOrdinaryFile(candidate))
            break;
    }
    const QString prefix = BranchNames::DatabasePrefix(state_.DatabaseName);
    state_.SgDatabase = prefix + QStringLiteral("SG");
    state_.HsDatabase = prefix + QStringLiteral("HS");
    state_.LcsDatabase = BranchNames::LcsDatabase(state_.BranchNum);
    const QString folder = BranchNames::FixPath(state_.BackupPath);
    state_.LcsBakFile = folder + prefix + QStringLiteral("LCS.bak");
    state_.SgBakFile = folder + prefix + QStringLiteral("SG.bak");
    state_.HsBakFile = folder + prefix + QStringLiteral("HS.bak");
    state_.HistoryIntervalDays = BranchNames::HistoryIntervalDays(state_.BranchType);
}

void frmBackup::ListTargetDrives() {
    const DriveList drives(platform_.disks->query(), state_.RememberedDrive);
    for (const DriveRow& row : drives.rows())
        pending_.attempt([&] { ORVLog1()->Add(row.text, row.image, row.tag); });
    pending_.attempt([&] { ORVLog1()->setListIndex(drives.selectedPosition()); });
}

void frmBackup::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmBackup::ShowNotLinkedMessage() {
    context_.showMessage(QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور") +
                             QStringLiteral("\r\n") +
                             QStringLiteral("لا يمكن نسخ البيانات من هذا الجهاز"),
                         MessageIcon::Warning, true);
}

void frmBackup::showErrorReport(const Error& error) {
    context_.showMessage(error.report(), MessageIcon::Critical);
}

void frmBackup::reportFatal(const Error& error) {
    showErrorReport(error);
    endProgram(1);
}

void frmBackup::Command3_Click() {
    if (state_.RunInProgress)
        return;
    BankObject.reset();
    ApiObject.reset();
    endProgram(0);
}

void frmBackup::endProgram(int exitCode) {
    if (isUnattended() && !unattendedRunDone_)
        exitCode = 2;
    dumpState();
    platform_.process->endProcess(exitCode);
}

void frmBackup::dumpState() const {
    const QString path = qEnvironmentVariable("ORV_STATE_DUMP");
    if (!path.isEmpty())
        StateDump::write(*this, path);
}

void frmBackup::cmdCopy_Click() {
    if (state_.RunInProgress)
        return;
    ArchiveRun(context_).cmdCopy_Click();
    dumpState();
}

bool frmBackup::isUnattended() const {
    return state_.CommandLine == QLatin1String("/RUN");
}

void frmBackup::runUnattended() {
    const auto say = [](const QString& line) {
        std::fprintf(stderr, "tavor-backup: %s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    };
    // Only the remembered drive will do: never another, least of all the system disk.
    int row = -1;
    for (int i = 0; i < ORVLog1()->ListCount() && !state_.RememberedDrive.isEmpty(); ++i) {
        if (ORVLog1()->GetTag(i) == state_.RememberedDrive)
            row = i;
    }
    if (row < 0) {
        say(QStringLiteral("the remembered drive \"%1\" is not listed; no run took place")
                .arg(state_.RememberedDrive));
        endProgram(2);
        return;
    }
    ORVLog1()->setListIndex(row);
    QElapsedTimer timer;
    timer.start();
    int index = 0;
    int count = ORVLog2()->ListCount();
    const QList<RowOutcome> outcomes = ArchiveRun(context_, [&](const RowOutcome& outcome) {
                                           say(RunReport::rowLine(outcome, ++index, count));
                                       }).cmdCopy_Click();
    unattendedRunDone_ = !outcomes.isEmpty();
    say(RunReport::summaryLine(outcomes, timer.elapsed() / 1000.0));
    endProgram(RunReport::exitStatus(outcomes));
}

void frmBackup::closeEvent(QCloseEvent* event) {
    if (state_.RunInProgress) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmBackup::FillBackupList() {
    BackupItemList(context_).FillBackupList();
}

void frmBackup::Label1_MouseDown(int button, int shift) {
    try {
        BackupItemList(context_).Label1_MouseDown(button, shift);
    } catch (const Error& error) {
        // The gesture stops at the failed store; the program goes on.
        showErrorReport(error);
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

bool frmBackup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == control(QStringLiteral("Label1"))) {
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

void frmBackup::setBackupListVisible(bool visible) {
    ORVLog2()->setVisible(visible);
}

void frmBackup::clearBackupList() {
    ORVLog2()->Clear();
}

void frmBackup::addBackupRow(const QString& text, int image, const QString& tag) {
    ORVLog2()->Add(text, image, tag);
}

int frmBackup::backupRowCount() const {
    return ORVLog2()->ListCount();
}

QString frmBackup::backupRowText(int row) const {
    return ORVLog2()->List(row);
}

QString frmBackup::backupRowTag(int row) const {
    return ORVLog2()->GetTag(row);
}

void frmBackup::setBackupRowImage(int row, int image) {
    ORVLog2()->ChaneImage(row, image);
}

QString frmBackup::selectedDriveTag() const {
    return ORVLog1()->GetTag(ORVLog1()->ListIndex());
}

void frmBackup::setRunButtonsEnabled(bool enabled) {
    control(QStringLiteral("cmdCopy"))->setEnabled(enabled);
    control(QStringLiteral("Command3"))->setEnabled(enabled);
}

void frmBackup::showProgress() {
    ORVProgressXP1()->setVisible(true);
}

void frmBackup::resetProgress() {
    ORVProgressXP1()->Reset();
}

void frmBackup::setProgressValue(int percent) {
    ORVProgressXP1()->setValue(percent);
}

void frmBackup::setBusyCaption(const QString& caption) {
    controls_.control<QLabel>(QStringLiteral("Label4"))->setText(caption);
}

void frmBackup::setBusyPanelVisible(bool visible) {
    control(QStringLiteral("Picture1"))->setVisible(visible);
}

void frmBackup::setAnimationAutoPlay(bool on) {
    animation()->setAutoPlay(on);
}

void frmBackup::openAnimation(const QString& path) {
    animation()->Open(path);
}

void frmBackup::stopAnimation() {
    animation()->Stop();
}

void frmBackup::setAnimationVisible(bool visible) {
    control(QStringLiteral("Animation1"))->setVisible(visible);
}

void frmBackup::appendDebugLine(const QString& line) {
    controls_.control<QListWidget>(QStringLiteral("List2"))->addItem(line);
}

void frmBackup::appendPatternChoices(const QStringList& patterns) {
    auto* text2 = controls_.control<QComboBox>(QStringLiteral("Text2"));
    const QSignalBlocker quiet(text2);
    text2->addItems(patterns);
}

void frmBackup::selectFirstPatternChoice() {
    auto* text2 = controls_.control<QComboBox>(QStringLiteral("Text2"));
    const QSignalBlocker quiet(text2);
    text2->setCurrentIndex(0);
    text2->setEditText(text2->itemText(0));
}

QString frmBackup::patternText() const {
    return controls_.control<QComboBox>(QStringLiteral("Text2"))->currentText();
}

void frmBackup::setPatternText(const QString& text) {
    auto* text2 = controls_.control<QComboBox>(QStringLiteral("Text2"));
    const QSignalBlocker quiet(text2);
    text2->setEditText(text);
}

void frmBackup::showFileList(const QString& folder, const QString& pattern,
                             const QStringList& names) {
    controls_.control<FileListBox>(QStringLiteral("File1"))->showListing(folder, pattern, names);
}

void frmBackup::setOrderedNames(const QStringList& names) {
    auto* list1 = controls_.control<QListWidget>(QStringLiteral("List1"));
    list1->clear();
    list1->addItems(names);
}

QStringList frmBackup::orderedNames() const {
    const auto* list1 = controls_.control<QListWidget>(QStringLiteral("List1"));
    QStringList names;
    for (int i = 0; i < list1->count(); ++i)
        names << list1->item(i)->text();
    return names;
}

void frmBackup::pumpEvents() {
    QCoreApplication::processEvents();
}

void frmBackup::pumpEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

void frmBackup::cmdTest_Click() {
    TestBackup(context_).cmdTest_Click();
}

// The design puts Text1 below the client area; the test brings it into view.
void frmBackup::showTestStatement(const QString& text) {
    const QString name = QStringLiteral("Text1");
    const QRect designed = twipsGeometry(name);
    placeControl(name, designed.left(), 3100, designed.width(), designed.height());
    auto* text1 = controls_.control<QLineEdit>(name);
    text1->setVisible(true);
    text1->setText(text);
}

} // namespace tavor
