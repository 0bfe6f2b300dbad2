#include "pipeline/run/OldFolderPruning.h"

#include "pipeline/BranchNames.h"
#include "pipeline/record/RunManifest.h"
#include "pipeline/run/DatedFolder.h"
#include "pipeline/run/RowTaking.h"
#include "safewrite/ReplacementFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace tavor {

namespace {

const QString RunFile = QStringLiteral("RUN.json");

bool isDated(const OldFolderPruning::Folder& folder) {
    return folder.verdict != OldFolderPruning::Verdict::NotAFolder &&
           folder.verdict != OldFolderPruning::Verdict::NotDated &&
           folder.verdict != OldFolderPruning::Verdict::NotOlder &&
           folder.verdict != OldFolderPruning::Verdict::OffVolume;
}

} // namespace

OldFolderPruning::OldFolderPruning(FileServices& files, QString backupFolder, const QDate& tonight,
                                   int keptFolders, quint64 device)
    : files_(files), backupFolder_(BranchNames::FixPath(backupFolder)), tonight_(tonight),
      keptFolders_(std::max(1, keptFolders)), device_(device) {}

QList<OldFolderPruning::Folder> OldFolderPruning::survey() const {
    QList<Folder> folders;
    for (const FolderEntry& entry : files_.folderEntries(backupFolder_))
        folders.append(judged(entry));
    std::sort(folders.begin(), folders.end(),
              [](const Folder& a, const Folder& b) { return a.date > b.date; });
    keepNewest(folders);
    return folders;
}

OldFolderPruning::Folder OldFolderPruning::judged(const FolderEntry& entry) const {
    Folder folder{entry.name, DatedFolder::dateOf(entry.name), Verdict::NotAFolder, {}, 0, {}};
    if (entry.type != FolderEntry::Type::Folder)
        return folder;
    if (!folder.date.isValid()) {
        folder.verdict = Verdict::NotDated;
        return folder;
    }
    if (folder.date >= tonight_) {
        folder.verdict = Verdict::NotOlder;
        return folder;
    }
    if (files_.deviceOf(backupFolder_ + entry.name) != device_) {
        folder.verdict = Verdict::OffVolume;
        return folder;
    }
    folder.verdict = Verdict::Removable;
    readContents(folder);
    return folder;
}

void OldFolderPruning::readContents(Folder& folder) const {
    QList<FolderEntry> entries;
    if (!Outcome::of([&] { entries = files_.folderEntries(backupFolder_ + folder.name); })) {
        folder.verdict = Verdict::Unreadable;
        return;
    }
    for (const FolderEntry& entry : std::as_const(entries)) {
        if (isOwnFile(entry)) {
            folder.files << entry.name;
            folder.bytes += entry.size;
        } else if (folder.foreign.isEmpty()) {
            folder.verdict = Verdict::Foreign;
            folder.foreign = entry.name;
        }
    }
}

// The cabinets, the plain copies of large files (a server backup or the general
// accounts' database, never smaller than the run copies plainly), the manifest, the
// run's record and the temporaries of its writes.
bool OldFolderPruning::isOwnFile(const FolderEntry& entry) {
    if (entry.type != FolderEntry::Type::File)
        return false;
    const QString& name = entry.name;
    if (ReplacementFile::isTemporaryName(QFile::encodeName(name)))
        return true;
    if (name.startsWith(QLatin1Char('.')))
        return false;
    if (name == RunManifest::FileName || name == RunFile ||
        name.endsWith(QLatin1String(".cab"), Qt::CaseInsensitive))
        return true;
    const bool copyName = name.endsWith(QLatin1String(".bak"), Qt::CaseInsensitive) ||
                          name.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive);
    return copyName && entry.size >= RowTaking::CopyThreshold;
}

// The newest folders before tonight's stay, and so does the newest complete copy:
// the newest whose record says every row got its tick. On a stick that holds no
// record in any folder the newest of all counts as complete, and it is kept already.
void OldFolderPruning::keepNewest(QList<Folder>& folders) const {
    int seen = 0;
    bool completeSeen = false;
    for (Folder& folder : folders) {
        if (!isDated(folder))
            continue;
        const bool complete =
            !completeSeen && folder.files.contains(RunFile) && isComplete(folder.name);
        if (seen++ < keptFolders_)
            folder.verdict = Verdict::Kept;
        else if (complete && folder.verdict == Verdict::Removable)
            folder.verdict = Verdict::NewestComplete;
        completeSeen = completeSeen || complete;
    }
}

bool OldFolderPruning::isComplete(const QString& folderName) const {
    QByteArray text;
    if (!Outcome::of([&] { text = files_.readFile(backupFolder_ + folderName + u'/' + RunFile); }))
        return false;
    const QJsonObject run = QJsonDocument::fromJson(text).object();
    return run.value(QStringLiteral("exit_status")).toInt(-1) == 0;
}

PruningReport OldFolderPruning::prune(const std::function<bool()>& fits,
                                      const std::function<bool()>& stopped) const {
    PruningReport report;
    report.pruned = true;
    QList<Folder> folders = survey();
    std::reverse(folders.begin(), folders.end());
    for (const Folder& folder : std::as_const(folders)) {
        if (isDated(folder))
            ++report.kept;
        if (folder.verdict == Verdict::Foreign)
            report.leftAlone.append({folder.name, folder.foreign});
    }
    for (const Folder& folder : std::as_const(folders)) {
        if (folder.verdict != Verdict::Removable)
            continue;
        if (fits() || stopped())
            break;
        const Outcome removed = Outcome::of(
            [&] { files_.removeFolder(backupFolder_, folder.name, folder.files, device_); });
        if (removed.failed()) {
            report.failure = removed.reason();
            break;
        }
        report.removed.append({folder.name, folder.bytes});
        --report.kept;
    }
    report.fits = fits();
    return report;
}

} // namespace tavor
