#include "pipeline/startup/BackupItemList.h"

#include "pipeline/ImageKind.h"
#include "pipeline/startup/NewestBackup.h"
#include "platform/bank/BankDate.h"
#include "platform/bank/ORV_Bank.h"

namespace tavor {

namespace {

const QString kLastBackupTavor = QStringLiteral("Sys_Last_Backup_Tavor");
const QString kLastHsDate = QStringLiteral("Sys_Last_HS_Backup_Date");
const QString kLastSgDate = QStringLiteral("Sys_Last_SG_Backup_Date");
// Stands for a stored date that is missing or not a date, so both satellites are due.
const QString kLongAgo = QStringLiteral("2000/01/01");

// A text for a literal between apostrophes in a statement.
QString quotedLiteral(QString text) {
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

} // namespace

const QString BackupItemList::MainDataText =
    QStringLiteral("نسخ بيانات التافور - السلف - القروض - الصرف الاجنبي");
const QString BackupItemList::GeneralAccountsText = QStringLiteral("نسخ بيانات االحسابات العامة");
const QString BackupItemList::LettersOfCreditText = QStringLiteral("نسخ بيانات الاعتمادات");
const QString BackupItemList::HistoryText = QStringLiteral("نسخ البيانات التاريخية");
const QString BackupItemList::SignaturesText = QStringLiteral("نسخ التوقيعات");

void BackupItemList::FillBackupList() {
    BackupWindow& window = context_.window;
    MainState& state = context_.state;
    BackupPlan& plan = context_.plan;

    ignoreFailure([&] { window.setBackupListVisible(false); });
    ignoreFailure([&] { window.pumpEvents(); });
    ignoreFailure([&] { window.clearBackupList(); });
    plan = BackupPlan();
    ignoreFailure(
        [&] { window.appendDebugLine(QStringLiteral("Tavor Path=") + state.BackupPath); });

    QString lastBackupFile = systemValue(kLastBackupTavor);
    ignoreFailure([&] { window.appendDebugLine(QStringLiteral("Tavor1  = ") + lastBackupFile); });
    QString unusable;
    if (lastBackupFile.isEmpty() || !context_.platform.files->isOrdinaryFile(lastBackupFile)) {
        const NewestBackup::Choice newest = NewestBackup(context_).SortList();
        lastBackupFile = newest.path;
        unusable = newest.unreadableFolder;
    }

    addRow(DataSet::Main, MainDataText, lastBackupFile, unusable);
    addRow(DataSet::GeneralAccounts, GeneralAccountsText, state.FinaFile);
    state.HsIncluded = 0;
    state.SgIncluded = 0;
    if (lettersOfCreditDatabaseExists())
        addRow(DataSet::LettersOfCredit, LettersOfCreditText, state.LcsBakFile);
    addSatelliteRows();
    ignoreFailure([&] { window.setBackupListVisible(true); });

    const QStringList lines = {
        QStringLiteral("Tavor   = ") + lastBackupFile,
        QStringLiteral("File_HS = ") + state.HsBakFile + QStringLiteral(" > ") + state.HsDatabase,
        QStringLiteral("File_SG = ") + state.SgBakFile + QStringLiteral(" > ") + state.SgDatabase,
        QStringLiteral("Fina    = ") + state.FinaFile,
    };
    for (const QString& line : lines)
        ignoreFailure([&] { window.appendDebugLine(line); });
}

void BackupItemList::Label1_MouseDown(int button, int shift) {
    constexpr int RightButton = 2;
    constexpr int ShiftCtrlAlt = 7;
    // Events run while a run packs; rebuilding the list under it would skip rows
    // or take them twice.
    if (button != RightButton || shift != ShiftCtrlAlt || context_.state.RunInProgress)
        return;
    bank().System().SystemValue_Set(kLastSgDate, QString());
    bank().System().SystemValue_Set(kLastHsDate, QString());
    FillBackupList();
}

// A value that cannot be read is empty, and the plan says what could not be read.
QString BackupItemList::systemValue(const QString& name) {
    QString value;
    noteIfUnread(name,
                 Outcome::of([&] { value = bank().System().SystemValue_Get(name).toString(); }));
    return value;
}

void BackupItemList::noteIfUnread(const QString& what, const Outcome& read) {
    if (read.failed())
        context_.plan.unread << what + QStringLiteral(": ") + read.reason();
}

ORV_Bank& BackupItemList::bank() const {
    if (!context_.bank)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The bank library is not loaded"));
    return *context_.bank;
}

void BackupItemList::addRow(DataSet kind, const QString& text, const QString& source,
                            const QString& unusable) {
    context_.plan.rows.append({kind, text, source, unusable});
    ignoreFailure([&] { context_.window.addBackupRow(text, ImageKind::Pending, source); });
}

bool BackupItemList::lettersOfCreditDatabaseExists() {
    bool exists = false;
    const Outcome read = Outcome::of([&] {
        if (!context_.connection)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The connection is not open"));
        const std::optional<QVariant> count = context_.connection->readFirstValue(
            QStringLiteral("SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE (name = N'") +
            quotedLiteral(context_.state.LcsDatabase) + QStringLiteral("')"));
        bool isNumber = false;
        exists = count && count->toLongLong(&isNumber) == 1 && isNumber;
    });
    noteIfUnread(QStringLiteral("master.dbo.sysdatabases"), read);
    return exists;
}

void BackupItemList::addSatelliteRows() {
    MainState& state = context_.state;
    QString sgText = systemValue(kLastSgDate);
    QString hsText = systemValue(kLastHsDate);
    if (!BankDate::isDate(sgText))
        sgText = kLongAgo;
    if (!BankDate::isDate(hsText))
        hsText = kLongAgo;
    QDate businessDate;
    const Outcome read = Outcome::of([&] { businessDate = bank().Business_Date().toDate(); });
    // Without a business date nothing can be judged, so both are due: one backup
    // too many is harmless, a skipped one is not.
    noteIfUnread(QStringLiteral("Sys_BusinessDate"), read);
    const bool known = businessDate.isValid();

    if (!known || BankDate::parse(hsText).daysTo(businessDate) > state.HistoryIntervalDays) {
        addRow(DataSet::History, HistoryText, state.HsBakFile);
        state.HsIncluded = 1;
    }
    const qint64 sgDays = BankDate::parse(sgText).daysTo(businessDate);
    if (!known || (sgDays > 30 && (state.HsIncluded == 0 || sgDays > 45))) {
        addRow(DataSet::Signatures, SignaturesText, state.SgBakFile);
        state.SgIncluded = 1;
    }
}

} // namespace tavor
