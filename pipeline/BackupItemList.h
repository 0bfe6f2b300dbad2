#pragma once

#include "pipeline/BackupContext.h"
#include "base/PendingError.h"

namespace tavor {

// The data-set list: what the next press of the copy button backs up. The main
// database and the general accounts always; the letters of credit where that
// database exists; history and signatures only when enough days have passed
// since their last backup.
class BackupItemList {
public:
    static constexpr int PendingImage = 3;

    BackupItemList(BackupContext& context) : context_(context) {}

    // Rebuilds the list and the two inclusion flags; every failure is skipped.
    void FillBackupList();

    // The hidden reset gesture: the right button with Shift, Ctrl and Alt held
    // forgets both satellite dates and rebuilds the list; any other press does
    // nothing. A date that cannot be forgotten raises, and the list stays.
    void Label1_MouseDown(int button, int shift);

    // Row texts, as the operator reads them.
    static const QString MainDataText;
    static const QString GeneralAccountsText;
    static const QString LettersOfCreditText;
    static const QString HistoryText;
    static const QString SignaturesText;

private:
    QString systemValue(const QString& name);
    void addRow(const QString& text, const QString& tag);
    bool lettersOfCreditDatabaseExists();
    void addSatelliteRows();

    BackupContext& context_;
    PendingError pending_;
};

} // namespace tavor
