#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"

namespace tavor {

// The data-set list: what the next press of the copy button backs up. The main
// database and the general accounts always; the letters of credit where that
// database exists; history and signatures only when enough days have passed
// since their last backup.
class BackupItemList {
public:
    BackupItemList(BackupContext& context) : context_(context) {}

    // Rebuilds the plan, the list that shows it and the two inclusion flags; every
    // failure is skipped, and what could not be read is kept in the plan.
    void FillBackupList();

    // The hidden reset gesture: the right button with Shift, Ctrl and Alt held
    // forgets both satellite dates and rebuilds the list; any other press does
    // nothing, as does any press while a run is in progress. A date that cannot be
    // forgotten raises, and the list stays.
    void Label1_MouseDown(int button, int shift);

    // Row texts, as the operator reads them.
    static const QString MainDataText;
    static const QString GeneralAccountsText;
    static const QString LettersOfCreditText;
    static const QString HistoryText;
    static const QString SignaturesText;

private:
    QString systemValue(const QString& name);
    void noteIfUnread(const QString& what, const Outcome& read);
    ORV_Bank& bank() const;
    void addRow(DataSet kind, const QString& text, const QString& source,
                const QString& unusable = QString());
    bool lettersOfCreditDatabaseExists();
    void addSatelliteRows();

    BackupContext& context_;
};

} // namespace tavor
