#include "app/frmBackup.h"

#include "app/BranchNames.h"
#include "app/DriveList.h"
#include "app/FileListBox.h"
#include "app/StateDump.h"
#include "controls/PropertyBag.h"
#include "controls/orvlog/ORVLog.h"
#include "controls/progress/ORVProgressXP.h"
#include "modules/NewLink.h"
#include "modules/modCheckNewVer.h"
#include "platform/api/ORVApi.h"
#include "platform/api/StoredTokens.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/database/ConnectionString.h"
#include "resources/WindowResources.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace tavor {

namespace {

const QString kBackupKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");
// The window's own background, a system colour, handed to the data-set list.
constexpr quint32 kButtonFaceColour = 0x8000000F;
constexpr quint32 kWhite = 0x00FFFFFF;

int toPixels(int twips) {
    return qRound(twips / double(FormDesign::TwipsPerPixel));
}

PropertyBag storedPropertiesOf(const QString& name) {
    PropertyBag bag;
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    bag.WriteProperty(QStringLiteral("Font"), tahoma, QVariant());
    if (name == QLatin1String("ORVLog1")) {
        bag.WriteProperty(QStringLiteral("BorderStyle"), 1, 0);
    } else if (name == QLatin1String("ORVLog2")) {
        bag.WriteProperty(QStringLiteral("BackColor"), kWhite, 0x80000005u);
        bag.WriteProperty(QStringLiteral("RightToLeft"), true, false);
        bag.WriteProperty(QStringLiteral("ScrollAutoHide"), true, false);
        bag.WriteProperty(QStringLiteral("Border"), false, true);
    }
    return bag;
}

} // namespace

frmBackup::frmBackup(Platform platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      platform_(std::move(platform)) {
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Form1"));
    setLayoutDirection(Qt::RightToLeft);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSizeF(8.25);
    setFont(dialogFont);
    tavorInitWindowResources();
    setWindowIcon(QIcon(WindowPictures::Icon));
    buildControls();
    loadPictures();
    setOuterHeight(outerHeight_);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    connect(timer1_, &QTimer::timeout, this, &frmBackup::Timer1_Timer);
    timer1_->start();
}

frmBackup::~frmBackup() = default;

void frmBackup::buildControls() {
    for (const ControlDesign& design : FormDesign::controls()) {
        QWidget* container =
            design.container == objectName() ? this : controls_.value(design.container);
        QWidget* widget = createControl(design, container);
        widget->setObjectName(design.name);
        controls_.insert(design.name, widget);
        containers_.insert(design.name, design.container);
        applyDesignFont(widget, design);
        placeControl(design.name, design.left, design.top, design.width, design.height);
        widget->setVisible(design.visible);
        if (design.tabIndex < 0)
            widget->setFocusPolicy(Qt::NoFocus);
    }
    // The first control of the design lies on top of those after it in its container.
    const QList<ControlDesign>& designs = FormDesign::controls();
    for (auto it = designs.crbegin(); it != designs.crend(); ++it)
        controls_.value(it->name)->raise();

    QList<const ControlDesign*> byTab;
    for (const ControlDesign& design : FormDesign::controls()) {
        if (design.tabIndex >= 0)
            byTab.append(&design);
    }
    std::sort(byTab.begin(), byTab.end(), [](const ControlDesign* a, const ControlDesign* b) {
        return a->tabIndex < b->tabIndex;
    });
    for (qsizetype i = 1; i < byTab.size(); ++i)
        setTabOrder(controls_.value(byTab[i - 1]->name), controls_.value(byTab[i]->name));

    connect(qobject_cast<QPushButton*>(control(QStringLiteral("Command3"))), &QPushButton::clicked,
            this, &frmBackup::Command3_Click);
}

QWidget* frmBackup::createControl(const ControlDesign& design, QWidget* container) {
    using K = ControlDesign::Kind;
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    switch (design.kind) {
    case K::Frame: {
        auto* frame = new QFrame(container);
        frame->setFrameShape(QFrame::Box);
        frame->setFrameShadow(QFrame::Sunken);
        return frame;
    }
    case K::Label: {
        auto* label = new QLabel(design.text, container);
        label->setAlignment(centred);
        label->setTextFormat(Qt::PlainText);
        if (design.name == QLatin1String("Label1")) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(palette);
        }
        return label;
    }
    case K::Button:
        return new QPushButton(design.text, container);
    case K::Panel: {
        auto* panel = new QFrame(container);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        return panel;
    }
    case K::ItemList: {
        auto* list = new ORVLog(container);
        list->ReadProperties(storedPropertiesOf(design.name));
        (design.name == QLatin1String("ORVLog1") ? orvLog1_ : orvLog2_) = list;
        return list;
    }
    case K::ProgressBar: {
        progress_ = new ORVProgressXP(container);
        progress_->ReadProperties(PropertyBag());
        return progress_;
    }
    case K::Animation:
    case K::Picture: {
        auto* picture = new QLabel(container);
        picture->setScaledContents(true);
        return picture;
    }
    case K::ListBox:
        return new QListWidget(container);
    case K::FileListBox:
        return new FileListBox(container);
    case K::ComboBox: {
        auto* combo = new QComboBox(container);
        combo->setEditable(true);
        return combo;
    }
    case K::TextBox:
        return new QLineEdit(design.text, container);
    }
    return new QWidget(container);
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

void frmBackup::applyDesignFont(QWidget* widget, const ControlDesign& design) {
    if (design.fontFamily.isEmpty())
        return;
    QFont font(design.fontFamily);
    font.setPointSizeF(design.fontPointSize);
    font.setBold(design.fontBold);
    widget->setFont(font);
}

void frmBackup::placeControl(const QString& name, int left, int top, int width, int height) {
    QWidget* widget = control(name);
    if (!widget)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("No control named ") + name);
    twips_.insert(name, QRect(left, top, width, height));
    widget->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void frmBackup::setOuterHeight(int twips) {
    outerHeight_ = twips;
    const int clientHeight = std::max(0, twips - FormDesign::FrameAbove - FormDesign::FrameBelow);
    setFixedSize(toPixels(FormDesign::ClientWidth), toPixels(clientHeight));
}

QString frmBackup::containerName(const QString& name) const {
    return containers_.value(name);
}

QStringList frmBackup::controlNames() const {
    QStringList names;
    for (const ControlDesign& design : FormDesign::controls())
        names << design.name;
    return names;
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
    // Steps 1 to 8 run untrapped: a failure here ends the program with a report.
    ApiObject = std::make_unique<ORVApi>(platform_.registry);
    setOuterHeight(FormDesign::NormalHeight);
    state_.CommandLine = platform_.process->commandLine().trimmed().toUpper();
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
    // Step 23, filling the data-set list, belongs to a later piece of work.
    pending_.attempt([&] { orvLog2_->setVisible(true); });
    pending_.attempt([&] { timer1_->stop(); });
    dumpState();
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
        qobject_cast<FileListBox*>(control(QStringLiteral("File1")))
            ->setPath(platform_.process->programFolder());
    });
    pending_.attempt([&] {
        orvLog1_->LoadImage(qobject_cast<QLabel*>(control(QStringLiteral("Image2")))->pixmap());
        orvLog1_->LoadImage(qobject_cast<QLabel*>(control(QStringLiteral("Image3")))->pixmap());
    });
    pending_.attempt([&] {
        orvLog2_->setEnabled(false);
        orvLog2_->setBackColor(kButtonFaceColour);
        orvLog2_->setVisible(false);
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
            value = first->toString().trimmed();
    });
    return value;
}

void frmBackup::FormBranchNames() {
    const QStringList candidates = BranchNames::FinaFileCandidates(
        state_.BackupPath, state_.FinaPath, state_.BranchNum, state_.DatabaseName);
    for (const QString& candidate : candidates) {
        state_.FinaFile = candidate;
        const QFileInfo info(candidate);
        if (info.isFile() && !info.fileName().startsWith(QLatin1Char('.')))
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
        pending_.attempt([&] { orvLog1_->Add(row.text, row.image, row.tag); });
    pending_.attempt([&] { orvLog1_->setListIndex(drives.selectedPosition()); });
}

void frmBackup::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmBackup::ShowNotLinkedMessage() {
    MessageBoxRequest request;
    request.text = QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور") +
                   QStringLiteral("\r\n") + QStringLiteral("لا يمكن نسخ البيانات من هذا الجهاز");
    request.title = platform_.process->programTitle();
    request.icon = MessageIcon::Warning;
    request.buttons = MessageButtons::Ok;
    request.rightAligned = true;
    request.rtlReading = true;
    platform_.messages->show(request);
}

void frmBackup::reportFatal(const Error& error) {
    MessageBoxRequest request;
    request.text = error.report();
    request.title = platform_.process->programTitle();
    request.icon = MessageIcon::Critical;
    request.buttons = MessageButtons::Ok;
    platform_.messages->show(request);
    endProgram(1);
}

void frmBackup::Command3_Click() {
    BankObject.reset();
    ApiObject.reset();
    endProgram(0);
}

void frmBackup::endProgram(int exitCode) {
    dumpState();
    platform_.process->endProcess(exitCode);
}

void frmBackup::dumpState() const {
    const QString path = qEnvironmentVariable("ORV_STATE_DUMP");
    if (!path.isEmpty())
        StateDump::write(*this, path);
}

} // namespace tavor
