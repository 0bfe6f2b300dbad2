#include "pipeline/RunManifest.h"

#include "base/Error.h"
#include "base/Outcome.h"

#include <QCryptographicHash>

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
// back from the medium, as the run's own files were.
QList<ManifestEntry> RunManifest::earlierEntriesStillValid(const QStringList& taken) {
    if (!files_.fileExists(path(FileName)))
        return {};
    QByteArray text;
    if (Outcome::of([&] { text = files_.readFile(path(FileName)); }).failed())
        return {};
    const ChecksumManifest earlier = ChecksumManifest::parse(text);
    QList<ManifestEntry> kept;
    for (const ManifestEntry& entry : earlier.entries()) {
        if (taken.contains(entry.name) || entry.name.contains(QLatin1Char('/')) ||
            entry.name == FileName || !files_.fileExists(path(entry.name)))
            continue;
        QString digest;
        ignoreFailure([&] { digest = files_.readBackDigest(path(entry.name)); });
        if (digest == entry.digest)
            kept.append(entry);
    }
    return kept;
}

} // namespace tavor
