#include "pipeline/BackupItemList.h"

#include "pipeline/NewestBackup.h"
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

    pending_.attempt([&] { window.setBackupListVisible(false); });
    pending_.attempt([&] { window.pumpEvents(); });
    pending_.attempt([&] { window.clearBackupList(); });
    state.UnreadValues.clear();
    state.UnusableSources.clear();
    pending_.attempt(
        [&] { window.appendDebugLine(QStringLiteral("Tavor Path=") + state.BackupPath); });

    QString lastBackupFile = systemValue(kLastBackupTavor);
    pending_.attempt(
        [&] { window.appendDebugLine(QStringLiteral("Tavor1  = ") + lastBackupFile); });
    if (lastBackupFile.isEmpty() || !context_.platform.files->isOrdinaryFile(lastBackupFile))
        lastBackupFile = NewestBackup(context_).SortList();

    addRow(MainDataText, lastBackupFile);
    addRow(GeneralAccountsText, state.FinaFile);
    state.HsIncluded = 0;
    state.SgIncluded = 0;
    if (lettersOfCreditDatabaseExists())
        addRow(LettersOfCreditText, state.LcsBakFile);
    addSatelliteRows();
    pending_.attempt([&] { window.setBackupListVisible(true); });

    const QStringList lines = {
        QStringLiteral("Tavor   = ") + lastBackupFile,
        QStringLiteral("File_HS = ") + state.HsBakFile + QStringLiteral(" > ") + state.HsDatabase,
        QStringLiteral("File_SG = ") + state.SgBakFile + QStringLiteral(" > ") + state.SgDatabase,
        QStringLiteral("Fina    = ") + state.FinaFile,
    };
    for (const QString& line : lines)
        pending_.attempt([&] { window.appendDebugLine(line); });
}

void BackupItemList::Label1_MouseDown(int button, int shift) {
    constexpr int RightButton = 2;
    constexpr int ShiftCtrlAlt = 7;
    // Events run while a run packs; rebuilding the list under it would skip rows
    // or take them twice.
    if (button != RightButton || shift != ShiftCtrlAlt || context_.state.RunInProgress)
        return;
    if (!context_.bank)
        throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The bank library is not loaded"));
    context_.bank->System().SystemValue_Set(kLastSgDate, QString());
    context_.bank->System().SystemValue_Set(kLastHsDate, QString());
    FillBackupList();
}

QString BackupItemList::systemValue(const QString& name) {
    QString value;
    const bool read = pending_.attempt([&] {
        if (!context_.bank)
            throw Error(ErrorNumber::ObjectRequired,
                        QStringLiteral("The bank library is not loaded"));
        value = context_.bank->System().SystemValue_Get(name).toString();
    });
    if (!read)
        noteUnread(name);
    return value;
}

void BackupItemList::noteUnread(const QString& what) {
    context_.state.UnreadValues << what + QStringLiteral(": ") + pending_.description();
}

void BackupItemList::addRow(const QString& text, const QString& tag) {
    pending_.attempt([&] { context_.window.addBackupRow(text, PendingImage, tag); });
}

bool BackupItemList::lettersOfCreditDatabaseExists() {
    bool exists = false;
    const bool read = pending_.attempt([&] {
        if (!context_.connection)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The connection is not open"));
        const std::optional<QVariant> count = context_.connection->readFirstValue(
            QStringLiteral("SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE (name = N'") +
            quotedLiteral(context_.state.LcsDatabase) + QStringLiteral("')"));
        bool isNumber = false;
        exists = count && count->toLongLong(&isNumber) == 1 && isNumber;
    });
    if (!read)
        noteUnread(QStringLiteral("master.dbo.sysdatabases"));
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
    const bool read = pending_.attempt([&] {
        if (!context_.bank)
            throw Error(ErrorNumber::ObjectRequired,
                        QStringLiteral("The bank library is not loaded"));
        businessDate = context_.bank->Business_Date().toDate();
    });
    // Without a business date nothing can be judged, so both are due: one backup
    // too many is harmless, a skipped one is not.
    if (!read)
        noteUnread(QStringLiteral("Sys_BusinessDate"));
    const bool known = businessDate.isValid();

    if (!known || BankDate::parse(hsText).daysTo(businessDate) > state.HistoryIntervalDays) {
        addRow(HistoryText, state.HsBakFile);
        state.HsIncluded = 1;
    }
    const qint64 sgDays = BankDate::parse(sgText).daysTo(businessDate);
    if (!known || (sgDays > 30 && (state.HsIncluded == 0 || sgDays > 45))) {
        addRow(SignaturesText, state.SgBakFile);
        state.SgIncluded = 1;
    }
}

} // namespace tavor
