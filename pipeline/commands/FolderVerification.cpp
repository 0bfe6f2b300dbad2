#include "pipeline/commands/FolderVerification.h"

#include "base/Error.h"
#include "cabinet/CabinetVerifier.h"
#include "formats/checksums/ChecksumManifest.h"
#include "pipeline/record/RunManifest.h"
#include "safewrite/ReadBackFile.h"
#include "safewrite/ReplacementFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace tavor {

namespace {

// The run's own record lands beside the manifest after it was written.
const QString RunRecordName = QStringLiteral("RUN.json");

// A name of the manifest must stay inside the folder.
bool staysInside(const QString& name) {
    return !QDir::isAbsolutePath(name) &&
           !name.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

bool isCabinet(const QString& name) {
    return name.endsWith(QStringLiteral(".cab"), Qt::CaseInsensitive);
}

enum class Found { Regular, Folder, Missing, Link, ThroughLink, Other };

// What lies at a name inside folder, each folder on the way looked at itself, a link
// never followed.
Found lookAt(const QString& folder, const QString& name) {
    QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    QString at = folder;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        at += QLatin1Char('/') + parts.at(i);
        struct stat status {};
        if (::lstat(QFile::encodeName(at).constData(), &status) != 0)
            return Found::Missing;
        const bool last = i + 1 == parts.size();
        if (S_ISLNK(status.st_mode))
            return last ? Found::Link : Found::ThroughLink;
        if (last && S_ISDIR(status.st_mode))
            return Found::Folder;
        if (last)
            return S_ISREG(status.st_mode) ? Found::Regular : Found::Other;
        if (!S_ISDIR(status.st_mode))
            return Found::Missing;
    }
    return Found::Missing;
}

// Why what lies at a name is not a file to read; empty for a regular file.
QString refusal(Found found) {
    switch (found) {
    case Found::Regular:
        return {};
    case Found::Missing:
        return QStringLiteral("is not there");
    case Found::Link:
        return QStringLiteral("is a link");
    case Found::ThroughLink:
        return QStringLiteral("is reached through a link");
    case Found::Folder:
    case Found::Other:
        return QStringLiteral("is not a regular file");
    }
    return {};
}

// The entries of a folder, in name order; empty when it cannot be read.
QStringList entriesOf(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << QFile::decodeName(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The folders on the way to each listed name ("a", "a/b" for "a/b/c.cab").
QSet<QString> foldersOf(const QSet<QString>& names) {
    QSet<QString> folders;
    for (const QString& name : names) {
        for (qsizetype slash = name.indexOf(QLatin1Char('/')); slash > 0;
             slash = name.indexOf(QLatin1Char('/'), slash + 1))
            folders.insert(name.left(slash));
    }
    return folders;
}

} // namespace

FolderVerification::FolderVerification(QString folder, LineWriter writeLine, SystemCalls& calls)
    : folder_(QDir::cleanPath(folder)), writeLine_(std::move(writeLine)), calls_(calls) {}

int FolderVerification::run() {
    QByteArray text;
    if (!readManifest(text))
        return Unreadable;
    const ChecksumManifest manifest = ChecksumManifest::parse(text);
    Tally tally;
    tally.malformed = manifest.malformedLines();
    const QList<Listed> entries = distinctEntries(manifest);
    QSet<QString> listed;
    for (const Listed& entry : entries) {
        listed.insert(entry.name);
        checkEntry(entry, tally);
    }
    reportUnlisted(QString(), listed, foldersOf(listed), tally);
    if (entries.isEmpty())
        writeLine_(RunManifest::FileName + QStringLiteral(": FAILED (lists no file)"));
    QString summary = QStringLiteral("%1: %2 listed, %3 ok, %4 damaged, %5 missing, %6 unlisted")
                          .arg(folder_)
                          .arg(entries.size())
                          .arg(tally.ok)
                          .arg(tally.damaged)
                          .arg(tally.missing)
                          .arg(tally.unlisted);
    if (tally.malformed > 0)
        summary += QStringLiteral(", %1 lines of %2 not understood")
                       .arg(tally.malformed)
                       .arg(RunManifest::FileName);
    writeLine_(summary);
    const bool allMatch = !entries.isEmpty() && tally.ok == entries.size() && tally.damaged == 0 &&
                          tally.unlisted == 0 && tally.malformed == 0;
    return allMatch ? AllMatch : Mismatch;
}

// The folder and its manifest are taken only as themselves, never through a link,
// and the manifest only as a regular file: a FIFO there would wait for a writer.
bool FolderVerification::readManifest(QByteArray& text) {
    const QString manifest = path(RunManifest::FileName);
    struct stat status {};
    QString why;
    if (::lstat(QFile::encodeName(folder_).constData(), &status) != 0 || S_ISLNK(status.st_mode) ||
        !S_ISDIR(status.st_mode)) {
        why = QStringLiteral("cannot read %1: %2")
                  .arg(folder_, S_ISLNK(status.st_mode) ? QStringLiteral("is a link")
                                                        : QStringLiteral("not a folder"));
    } else if (const QString refused = refusal(lookAt(folder_, RunManifest::FileName));
               !refused.isEmpty()) {
        why = QStringLiteral("cannot read %1: %2").arg(manifest, refused);
    } else {
        try {
            ReadBackFile file(QFile::encodeName(manifest), manifest, calls_);
            text.resize(qsizetype(file.size()));
            text.truncate(qsizetype(file.read(text.data(), std::size_t(text.size()), 0)));
        } catch (const Error& failure) {
            why = failure.description();
        }
    }
    if (!why.isEmpty())
        writeLine_(why);
    return why.isEmpty();
}

// A name listed many times is checked once; listed with two digests, one is wrong.
QList<FolderVerification::Listed>
FolderVerification::distinctEntries(const ChecksumManifest& manifest) {
    QList<Listed> entries;
    QHash<QString, qsizetype> positions;
    for (const ManifestEntry& entry : manifest.entries()) {
        const auto found = positions.constFind(entry.name);
        if (found == positions.cend()) {
            positions.insert(entry.name, entries.size());
            entries.append({entry.name, entry.digest});
        } else if (entries.at(*found).digest != entry.digest) {
            entries[*found].conflicting = true;
        }
    }
    return entries;
}

void FolderVerification::checkEntry(const Listed& entry, Tally& tally) {
    const QString& name = entry.name;
    if (!staysInside(name))
        return fail(name, QStringLiteral("names a file outside the folder"), tally);
    if (entry.conflicting)
        return fail(name, QStringLiteral("listed with different digests"), tally);
    const Found found = lookAt(folder_, name);
    if (found == Found::Missing) {
        ++tally.missing;
        writeLine_(name + QStringLiteral(": MISSING"));
        return;
    }
    if (found != Found::Regular)
        return fail(name, refusal(found), tally);
    QString digest;
    try {
        digest = digestOf(name);
    } catch (const Error& failure) {
        return fail(name, failure.description(), tally);
    }
    if (digest != entry.digest)
        return fail(name, QStringLiteral("its SHA-256 is %1, listed %2").arg(digest, entry.digest),
                    tally);
    ++tally.ok;
    writeLine_(name + QStringLiteral(": OK"));
}

// A cabinet is unpacked as it is read: its own checksums must hold too.
QString FolderVerification::digestOf(const QString& name) {
    const QByteArray file = QFile::encodeName(path(name));
    IdleTicker idle;
    if (isCabinet(name))
        return QString::fromLatin1(CabinetVerifier(calls_, idle).check(file, path(name)));
    ReadBackFile readBack(file, path(name), calls_);
    return QString::fromLatin1(readBack.sha256(idle));
}

// Hidden files, FIFOs and folders count as much as files; only the manifest, the
// run's record and the temporary files of the program's own writes belong there
// unlisted. A listed folder is looked into; one that is a link failed its files.
void FolderVerification::reportUnlisted(const QString& subfolder, const QSet<QString>& listed,
                                        const QSet<QString>& listedFolders, Tally& tally) {
    for (const QString& name : entriesOf(path(subfolder))) {
        const QString entry = subfolder + name;
        if (listed.contains(entry))
            continue;
        const Found found = lookAt(folder_, entry);
        const bool ownFile = entry == RunManifest::FileName || entry == RunRecordName ||
                             ReplacementFile::isTemporaryName(QFile::encodeName(name));
        if (found == Found::Regular && ownFile)
            continue;
        if (listedFolders.contains(entry) && found == Found::Folder) {
            reportUnlisted(entry + QLatin1Char('/'), listed, listedFolders, tally);
            continue;
        }
        if (listedFolders.contains(entry) && found == Found::Link)
            continue;
        if (found == Found::Link) {
            fail(entry, refusal(found), tally);
            continue;
        }
        ++tally.unlisted;
        writeLine_(entry + QStringLiteral(": UNLISTED"));
    }
}

void FolderVerification::fail(const QString& name, const QString& why, Tally& tally) {
    ++tally.damaged;
    writeLine_(name + QStringLiteral(": FAILED (%1)").arg(why));
}

} // namespace tavor
