#pragma once

#include "safewrite/SystemCalls.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace tavor {

// Checks a dated folder against its SHA256SUMS without a window, a database or a
// registry: every file the manifest names is read from the medium (its cached pages
// dropped first) and its digest compared, every cabinet is also unpacked with the
// independent reader against its own block checksums, and files the manifest does
// not name are reported. One line per file, then a summary.
class FolderVerification {
public:
    // Every file matched; something missing, damaged or unlisted; the folder or
    // its manifest could not be read.
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

    void checkEntry(const QString& name, const QString& digest, Tally& tally);
    QString digestOf(const QString& name);
    void reportUnlisted(const QStringList& listed, Tally& tally);
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

    QString folder_;
    LineWriter writeLine_;
    SystemCalls& calls_;
};

} // namespace tavor
