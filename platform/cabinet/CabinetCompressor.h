#pragma once

#include "platform/cabinet/CabinetFileList.h"

#include <QString>
#include <functional>

namespace tavor {

// The cabinet compressor as the window drives it: set the cabinet file, add the
// source to the file list, compress. compress() returns only when the cabinet is
// complete, or raises tavor::Error(number, description); while it works it calls
// the progress handler on the caller's thread with whole percentages 0 to 100,
// each at most once and in order, 100 last. The handler may run pending window
// events. Between percentages, and while the cabinet is flushed, it calls the idle
// handler on the caller's thread every few tens of milliseconds, so that window
// events need not wait for a whole percent. A test double implements compress() alone.
class CabinetCompressor {
public:
    using ProgressHandler = std::function<void(int percent)>;
    using IdleHandler = std::function<void()>;

    virtual ~CabinetCompressor() = default;

    void setCabinetFile(const QString& path) { cabinetFile_ = path; }
    const QString& cabinetFile() const { return cabinetFile_; }

    CabinetFileList& fileList() { return fileList_; }
    const CabinetFileList& fileList() const { return fileList_; }

    void setProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
    void setIdleHandler(IdleHandler handler) { idle_ = std::move(handler); }

    // Packs the listed files into the cabinet file; the list is empty afterwards,
    // whether or not it succeeded.
    virtual void compress() = 0;

    // The SHA-256 of the cabinet the last compress() put in place, as it was read
    // back from the medium (lower-case hex); empty when none was read back.
    const QString& readBackDigest() const { return readBackDigest_; }

protected:
    void setReadBackDigest(const QString& digest) { readBackDigest_ = digest; }
    const ProgressHandler& progressHandler() const { return progress_; }
    const IdleHandler& idleHandler() const { return idle_; }

private:
    QString cabinetFile_;
    CabinetFileList fileList_;
    ProgressHandler progress_;
    IdleHandler idle_;
    QString readBackDigest_;
};

} // namespace tavor
