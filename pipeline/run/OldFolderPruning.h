#pragma once

#include "pipeline/run/PruningReport.h"
#include "platform/files/FileServices.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace tavor {

// Chooses and removes whole old dated folders under a stick's backup folder, oldest
// first, to make room for tonight's run. Only a real folder named "Tavor_" and a
// date, on the run's volume, older than tonight's and holding nothing but regular
// files this program writes there may go; the newest few before tonight's and the
// newest complete copy always stay.
class OldFolderPruning {
public:
    enum class Verdict {
        Removable,
        // A link or anything else that is no folder.
        NotAFolder,
        NotDated,
        // Tonight's folder, or one of a later date.
        NotOlder,
        OffVolume,
        Unreadable,
        // One of the newest folders before tonight's that are always kept.
        Kept,
        NewestComplete,
        // It holds a subfolder, a link or a file this program does not write.
        Foreign,
    };

    struct Folder {
        QString name;
        QDate date;
        Verdict verdict = Verdict::NotDated;
        // The files to remove with it, and the bytes they hold.
        QStringList files;
        qint64 bytes = 0;
        // What makes it foreign.
        QString foreign;
    };

    // device: the volume the run's drive check confirmed for the backup folder.
    OldFolderPruning(FileServices& files, QString backupFolder, const QDate& tonight,
                     int keptFolders, quint64 device);

    // Every entry of the backup folder judged, dated folders newest first.
    QList<Folder> survey() const;
    // Removes removable folders, oldest first, one at a time while the run does not
    // fit and no stop signal came; stops at the first removal that fails.
    PruningReport prune(const std::function<bool()>& fits,
                        const std::function<bool()>& stopped) const;

private:
    Folder judged(const FolderEntry& entry) const;
    void readContents(Folder& folder) const;
    bool isComplete(const QString& folderName) const;
    void keepNewest(QList<Folder>& folders) const;
    static bool isOwnFile(const FolderEntry& entry);

    FileServices& files_;
    QString backupFolder_;
    QDate tonight_;
    int keptFolders_;
    quint64 device_;
};

} // namespace tavor
