#include "pipeline/record/RunManifest.h"

#include "base/Error.h"
#include "base/Outcome.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>

namespace tavor {

const QString RunManifest::FileName = QStringLiteral("SHA256SUMS");

// A run that ticked nothing in a folder without a manifest leaves it without one.
void RunManifest::write(const QStringList& taken, const QList<ManifestEntry>& ticked) {
    if (ticked.isEmpty() && !files_.fileExists(path(FileName)))
        return;
    const QList<ManifestEntry> entries = earlierEntriesStillValid(taken) + ticked;
    const QByteArray text = ChecksumManifest::render(entries);
    files_.writeFile(path(FileName), text);
    const QString written =
        QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
    if (files_.readBackDigest(path(FileName)) != written)
        throw Error(ErrorNumber::DeviceIOError,
                    QStringLiteral("'%1' read back from the disk differs from what was written")
                        .arg(path(FileName)));
}

// An earlier manifest that cannot be read lists nothing; a file it lists is read
// back from the medium, as the run's own files were, once however often it is
// listed, and a link in its place never reads back.
QList<ManifestEntry> RunManifest::earlierEntriesStillValid(const QStringList& taken) {
    if (!files_.fileExists(path(FileName)))
        return {};
    QByteArray text;
    if (Outcome::of([&] { text = files_.readFile(path(FileName)); }).failed())
        return {};
    const ChecksumManifest earlier = ChecksumManifest::parse(text);
    QHash<QString, QString> readBack;
    QSet<QString> keptNames;
    QList<ManifestEntry> kept;
    for (const ManifestEntry& entry : earlier.entries()) {
        if (taken.contains(entry.name) || entry.name.contains(QLatin1Char('/')) ||
            entry.name == FileName || keptNames.contains(entry.name))
            continue;
        if (!readBack.contains(entry.name))
            readBack.insert(entry.name, readBackDigest(entry.name));
        if (readBack.value(entry.name) == entry.digest) {
            kept.append(entry);
            keptNames.insert(entry.name);
        }
    }
    return kept;
}

QString RunManifest::readBackDigest(const QString& name) {
    QString digest;
    if (files_.fileExists(path(name)))
        ignoreFailure([&] { digest = files_.readBackDigest(path(name)); });
    return digest;
}

} // namespace tavor
