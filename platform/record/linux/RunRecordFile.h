#pragma once

#include "safewrite/ReplacementFile.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace tavor {

// The record file runs.jsonl, opened only as a regular file and without waiting (a
// FIFO in its place would hold the run for good), and read in bounded pieces, so
// that appending to a record of any size takes little memory. Failures raise
// tavor::Error naming the file.
class RunRecordFile {
public:
    enum class Access { Read, Append };

    // For Append, a missing record is created.
    RunRecordFile(const QString& path, Access access, SystemCalls& calls);
    ~RunRecordFile();

    RunRecordFile(const RunRecordFile&) = delete;
    RunRecordFile& operator=(const RunRecordFile&) = delete;

    // The whole record.
    QByteArray readAll() const;
    // Whether the last line lacks its line break (a power cut, a full disk).
    bool endsInsideALine() const;
    // Where the newest `kept` lines start, when the record holds at least `cap`
    // lines (empty ones not counted); empty when it holds fewer. kept < cap.
    std::optional<std::int64_t> newestLinesAtCap(int cap, int kept) const;
    // Appends the lines from offset on to file, empty ones left out, the last one
    // ended with its line break.
    void copyLinesFrom(std::int64_t offset, ReplacementFile& file) const;
    // Appends bytes and syncs them to the medium.
    void appendSynced(const QByteArray& bytes);

private:
    // Reads size bytes at offset; fewer only at the end of the file.
    std::size_t readAt(char* buffer, std::size_t size, std::int64_t offset) const;

    QString path_;
    SystemCalls& calls_;
    int fd_ = -1;
    std::int64_t size_ = 0;
};

} // namespace tavor
