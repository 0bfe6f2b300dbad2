#include "platform/record/linux/StateFolderRunRecords.h"

#include "base/Outcome.h"
#include "platform/record/linux/RunRecordFile.h"
#include "safewrite/ReplacementFile.h"
#include "safewrite/SystemError.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>

namespace tavor {

namespace {

// Holds an exclusive lock on a folder for as long as it lives.
class FolderLock {
public:
    FolderLock(const QString& folder, SystemCalls& calls) : calls_(calls) {
        fd_ = calls_.open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC,
                          0);
        if (fd_ < 0)
            throw systemError(errno, QStringLiteral("open the folder"), folder);
        if (calls_.flock(fd_, LOCK_EX) != 0) {
            const int error = errno;
            calls_.close(fd_);
            throw systemError(error, QStringLiteral("lock the folder"), folder);
        }
    }
    ~FolderLock() { calls_.close(fd_); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    int fd() const { return fd_; }

private:
    SystemCalls& calls_;
    int fd_ = -1;
};

} // namespace

StateFolderRunRecords::StateFolderRunRecords(QString folder, int cap, SystemCalls& calls)
    : folder_(std::move(folder)), cap_(std::max(1, cap)), calls_(calls) {}

// The base-directory rules give a relative path no meaning: it is ignored.
QString StateFolderRunRecords::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.startsWith(QLatin1Char('/')))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/tavor-backup");
}

QString StateFolderRunRecords::recordFile() const {
    return folder_ + QStringLiteral("/runs.jsonl");
}

// A record that is missing or cannot be read has no lines.
QList<QByteArray> StateFolderRunRecords::history() const {
    QByteArray text;
    ignoreFailure(
        [&] { text = RunRecordFile(recordFile(), RunRecordFile::Access::Read, calls_).readAll(); });
    QList<QByteArray> lines = text.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// At the cap the record is written anew without its oldest lines; otherwise the
// line is appended, so that a record of thousands of runs is not rewritten nightly.
// Either way the record is read a piece at a time, never whole.
void StateFolderRunRecords::append(const QByteArray& line) {
    if (!QDir().mkpath(folder_))
        throw systemError(errno, QStringLiteral("make the folder"), folder_);
    const FolderLock lock(folder_, calls_);
    RunRecordFile record(recordFile(), RunRecordFile::Access::Append, calls_);
    // A tenth goes at once, so that the record is written anew once in many runs.
    const int kept = cap_ - std::max(1, cap_ / 10);
    const std::optional<std::int64_t> keptFrom = record.newestLinesAtCap(cap_, kept);
    if (!keptFrom) {
        // A line cut short by a power cut or a full disk must not swallow this one.
        record.appendSynced(record.endsInsideALine() ? '\n' + line + '\n' : line + '\n');
        return;
    }
    ReplacementFile anew(recordFile(), calls_, ReplacementFile::keptMode(recordFile(), 0600));
    record.copyLinesFrom(*keptFrom, anew);
    anew.append(line.constData(), std::size_t(line.size()));
    anew.append("\n", 1);
    anew.commit();
}

// The copies others read are theirs to read, whatever stood in their place before.
void StateFolderRunRecords::replace(const QString& path, const QByteArray& bytes) {
    ReplacementFile::writeWithMode(path, bytes, calls_, 0644);
}

} // namespace tavor
