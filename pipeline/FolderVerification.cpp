#include "pipeline/FolderVerification.h"

#include "base/Error.h"
#include "cabinet/CabinetVerifier.h"
#include "formats/checksums/ChecksumManifest.h"
#include "pipeline/RunManifest.h"
#include "safewrite/ReadBackFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

} // namespace

FolderVerification::FolderVerification(QString folder, LineWriter writeLine, SystemCalls& calls)
    : folder_(QDir::cleanPath(folder)), writeLine_(std::move(writeLine)), calls_(calls) {}

int FolderVerification::run() {
    QFile manifestFile(path(RunManifest::FileName));
    if (!QFileInfo(folder_).isDir() || !manifestFile.open(QIODevice::ReadOnly)) {
        writeLine_(QStringLiteral("cannot read %1: %2")
                       .arg(QFileInfo(folder_).isDir() ? manifestFile.fileName() : folder_,
                            QFileInfo(folder_).isDir() ? manifestFile.errorString()
                                                       : QStringLiteral("not a folder")));
        return Unreadable;
    }
    const QByteArray text = manifestFile.readAll();
    if (manifestFile.error() != QFileDevice::NoError) {
        writeLine_(QStringLiteral("cannot read %1: %2")
                       .arg(manifestFile.fileName(), manifestFile.errorString()));
        return Unreadable;
    }
    const ChecksumManifest manifest = ChecksumManifest::parse(text);
    Tally tally;
    tally.malformed = manifest.malformedLines();
    QStringList listed;
    for (const ManifestEntry& entry : manifest.entries()) {
        listed << entry.name;
        checkEntry(entry.name, entry.digest, tally);
    }
    reportUnlisted(listed, tally);
    QString summary = QStringLiteral("%1: %2 listed, %3 ok, %4 damaged, %5 missing, %6 unlisted")
                          .arg(folder_)
                          .arg(manifest.entries().size())
                          .arg(tally.ok)
                          .arg(tally.damaged)
                          .arg(tally.missing)
                          .arg(tally.unlisted);
    if (tally.malformed > 0)
        summary += QStringLiteral(", %1 lines of %2 not understood")
                       .arg(tally.malformed)
                       .arg(RunManifest::FileName);
    writeLine_(summary);
    return tally.ok == manifest.entries().size() && tally.unlisted == 0 && tally.malformed == 0
               ? AllMatch
               : Mismatch;
}

void FolderVerification::checkEntry(const QString& name, const QString& digest, Tally& tally) {
    if (!staysInside(name)) {
        ++tally.damaged;
        writeLine_(name + QStringLiteral(": FAILED (names a file outside the folder)"));
        return;
    }
    if (!QFileInfo(path(name)).isFile()) {
        ++tally.missing;
        writeLine_(name + QStringLiteral(": MISSING"));
        return;
    }
    QString found;
    try {
        found = digestOf(name);
    } catch (const Error& failure) {
        ++tally.damaged;
        writeLine_(name + QStringLiteral(": FAILED (%1)").arg(failure.description()));
        return;
    }
    if (found != digest) {
        ++tally.damaged;
        writeLine_(name +
                   QStringLiteral(": FAILED (its SHA-256 is %1, listed %2)").arg(found, digest));
        return;
    }
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

// Hidden files (a write's temporary) are no part of the backup.
void FolderVerification::reportUnlisted(const QStringList& listed, Tally& tally) {
    const QStringList present = QDir(folder_).entryList(QDir::Files, QDir::Name);
    for (const QString& name : present) {
        if (name == RunManifest::FileName || name == RunRecordName || listed.contains(name))
            continue;
        ++tally.unlisted;
        writeLine_(name + QStringLiteral(": UNLISTED"));
    }
}

} // namespace tavor
