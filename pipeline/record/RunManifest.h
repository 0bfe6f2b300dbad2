#pragma once

#include "formats/checksums/ChecksumManifest.h"
#include "platform/files/FileServices.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavor {

// The checksum file SHA256SUMS of a dated folder, written after a run's rows: a line
// for every file of the run that got its tick, with the digest taken as the file was
// read back from the medium. Files of an earlier run of the same date that this run
// did not touch keep their lines while they still read as listed; a file this run
// tried and failed never has a line.
class RunManifest {
public:
    static const QString FileName;

    RunManifest(FileServices& files, QString folder) : files_(files), folder_(std::move(folder)) {}

    // Replaces the manifest (temporary file, flush, rename) and reads it back; writes
    // none where there was none and nothing got its tick.
    // taken: the names of every row's file, ticked or not; ticked: the lines of the
    // files that got their tick. Raises tavor::Error when it cannot be written or
    // reads back otherwise.
    void write(const QStringList& taken, const QList<ManifestEntry>& ticked);

private:
    QList<ManifestEntry> earlierEntriesStillValid(const QStringList& taken);
    // The digest of a file of the folder as read back; empty when it cannot be read.
    QString readBackDigest(const QString& name);
    QString path(const QString& name) const { return folder_ + name; }

    FileServices& files_;
    QString folder_;
};

} // namespace tavor
