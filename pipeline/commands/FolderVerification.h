#pragma once

#include "safewrite/SystemCalls.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>

namespace tavor {

class ChecksumManifest;

// Checks a dated folder against its SHA256SUMS without a window, a database or a
// registry: every file the manifest names is read from the medium (its cached pages
// dropped first) and its digest compared, every cabinet is also unpacked with the
// independent reader against its own block checksums, and what the manifest does
// not name is reported. Only regular files of the folder itself count: a link, or a
// file reached through one, fails. One line per name, each as soon as it is decided,
// then a summary.
class FolderVerification {
public:
    // Every file matched; something missing, damaged or unlisted, or nothing listed;
    // the folder or its manifest could not be read.
    static constexpr int AllMatch = 0;
    static constexpr int Mismatch = 1;
    static constexpr int Unreadable = 2;

    using LineWriter = std::function<void(const QString& line)>;

    FolderVerification(QString folder, LineWriter writeLine,
                       SystemCalls& calls = SystemCalls::host());

    // Returns the exit status.
    int run();

private:
    struct Tally {
        int ok = 0;
        int damaged = 0;
        int missing = 0;
        int unlisted = 0;
        int malformed = 0;
    };
    // A name of the manifest, however often it is listed there.
    struct Listed {
        QString name;
        QString digest;
        // Listed again with another digest.
        bool conflicting = false;
    };

    bool readManifest(QByteArray& text);
    static QList<Listed> distinctEntries(const ChecksumManifest& manifest);
    void checkEntry(const Listed& entry, Tally& tally);
    QString digestOf(const QString& name);
    // Names what lies in subfolder ("" or "name/") that the manifest does not list.
    void reportUnlisted(const QString& subfolder, const QSet<QString>& listed,
                        const QSet<QString>& listedFolders, Tally& tally);
    void fail(const QString& name, const QString& why, Tally& tally);
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

    QString folder_;
    LineWriter writeLine_;
    SystemCalls& calls_;
};

} // namespace tavor
