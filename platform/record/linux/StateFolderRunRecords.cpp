#include "platform/record/linux/StateFolderRunRecords.h"

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

QString StateFolderRunRecords::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/tavor-backup");
}

QString StateFolderRunRecords::recordFile() const {
    return folder_ + QStringLiteral("/runs.jsonl");
}

QList<QByteArray> StateFolderRunRecords::history() const {
    QList<QByteArray> lines = recordText().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QByteArray StateFolderRunRecords::recordText() const {
    QFile file(recordFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// At the cap the record is written anew without its oldest lines; otherwise the
// line is appended, so that a record of thousands of runs is not rewritten nightly.
void StateFolderRunRecords::append(const QByteArray& line) {
    if (!QDir().mkpath(folder_))
        throw systemError(errno, QStringLiteral("make the folder"), folder_);
    const FolderLock lock(folder_, calls_);
    const QByteArray text = recordText();
    QList<QByteArray> lines = text.split('\n');
    lines.removeAll(QByteArray());
    if (lines.size() < cap_) {
        // A line cut short by a power cut or a full disk must not swallow this one.
        appendSynced(text.isEmpty() || text.endsWith('\n') ? line : '\n' + line);
        return;
    }
    // A tenth goes at once, so that the record is written anew once in many runs.
    const int kept = cap_ - std::max(1, cap_ / 10);
    lines = lines.mid(lines.size() - kept);
    lines.append(line);
    ReplacementFile::write(recordFile(), lines.join('\n') + '\n', calls_, 0600);
}

void StateFolderRunRecords::appendSynced(const QByteArray& line) {
    const QString path = recordFile();
    const int fd = calls_.open(QFile::encodeName(path).constData(),
                               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw systemError(errno, QStringLiteral("open the record"), path);
    const QByteArray bytes = line + '\n';
    qsizetype written = 0;
    int error = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t n =
            calls_.write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && calls_.fsync(fd) != 0)
        error = errno;
    calls_.close(fd);
    if (error != 0)
        throw systemError(error, QStringLiteral("append to the record"), path);
}

void StateFolderRunRecords::replace(const QString& path, const QByteArray& bytes) {
    ReplacementFile::write(path, bytes, calls_);
}

} // namespace tavor
