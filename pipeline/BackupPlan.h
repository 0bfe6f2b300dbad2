#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tavor {

// The data sets a run can take.
enum class DataSet { Main, GeneralAccounts, LettersOfCredit, History, Signatures };

// One row of the data-set list: what it is, what the list shows, and the file the
// run takes for it.
struct PlannedRow {
    DataSet kind = DataSet::Main;
    QString text;
    QString source;
    // Why the source cannot be taken, known when the list was built (the backup
    // folder could not be read); empty when it can.
    QString unusable;
};

// The data sets the next run takes, in list order, as the data-set list was last
// built; the window shows them and the run works through them.
struct BackupPlan {
    QList<PlannedRow> rows;
    // What the list could not read, as "name: reason".
    QStringList unread;
};

} // namespace tavor
