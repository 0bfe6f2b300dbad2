#pragma once

#include "platform/record/RunRecords.h"
#include "safewrite/SystemCalls.h"

namespace tavor {

// The record as the file runs.jsonl in the user's state folder. Appends are
// serialised with a lock on the folder, so that a window run and a timer's run
// ending together both keep their line.
class StateFolderRunRecords : public RunRecords {
public:
    static constexpr int DefaultCap = 10'000;

    explicit StateFolderRunRecords(QString folder, int cap = DefaultCap,
                                   SystemCalls& calls = SystemCalls::host());

    // $XDG_STATE_HOME/tavor-backup, or ~/.local/state/tavor-backup without it (or
    // when it is not an absolute path).
    static QString defaultFolder();

    QString recordFile() const;
    QList<QByteArray> history() const override;
    void append(const QByteArray& line) override;
    void replace(const QString& path, const QByteArray& bytes) override;

private:
    QString folder_;
    int cap_;
    SystemCalls& calls_;
};

} // namespace tavor
