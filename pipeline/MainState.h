#pragma once

#include "platform/disks/LogicalDisks.h"

#include <QHash>
#include <QString>

namespace tavor {

// Fields of the main window that live for the whole run. The media password and
// the database login are deliberately not here: they never leave frmBackup's
// private members and are never dumped.
struct MainState {
    QString CommandLine;
    QString ServerName;
    QString DatabaseName;
    QString PrevBusinessDate;
    QString BackupPath;
    QString FinaFile;
    QString SgDatabase;
    QString HsDatabase;
    QString LcsDatabase;
    QString SgBakFile;
    QString HsBakFile;
    QString LcsBakFile;
    int HistoryIntervalDays = 0;
    int HsIncluded = 0;
    int SgIncluded = 0;

    // Set while an archive run lasts: window events run during it, and nothing
    // may start a second run or end the program then.
    bool RunInProgress = false;

    // Set once an unattended run has taken place: ending before then is status 2.
    bool UnattendedRunDone = false;
    // The server's version and edition as it reported them after connecting
    // (ProductVersion, EngineEdition and the Edition's name); empty when unread.
    QString ServerVersion;
    QString ServerEdition;
    QString ServerEditionName;

    // Start-up values that the window keeps only to form the names above.
    QString BankName;
    QString BranchName;
    QString BranchType;
    QString BranchNum;
    QString FinaPath;
    QString RememberedDrive;
    // The volume each drive of the drive list was when the list was built, by its
    // tag; a run writes only onto a drive that is still that volume.
    QHash<QString, VolumeIdentity> DriveVolumes;
    // Each drive of the drive list as it was found, by its tag.
    QHash<QString, LogicalDisk> ListedDrives;
};

} // namespace tavor
