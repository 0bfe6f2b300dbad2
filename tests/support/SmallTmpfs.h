#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace tavor::test {

// A memory file system of a fixed small size mounted on a temporary folder, to be
// filled for real. Mounting needs root (as in CI); whyNot() says why it failed.
class SmallTmpfs {
public:
    explicit SmallTmpfs(const std::string& size) {
        if (!folder_.isValid()) {
            whyNot_ = "no temporary folder";
        } else if (geteuid() != 0) {
            whyNot_ = "mounting a small tmpfs to fill needs root";
        } else if (::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs", 0,
                           ("size=" + size).c_str()) != 0) {
            whyNot_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
        } else {
            mounted_ = true;
        }
    }
    ~SmallTmpfs() {
        if (mounted_) {
            ::umount(QFile::encodeName(folder_.path()).constData());
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    // Remounts the file system read-only, so that nothing in it can be created,
    // renamed or removed, even by root.
    bool makeReadOnly() {
        return mounted_ && ::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs",
                                   MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    const std::string& whyNot() const { return whyNot_; }
    QString path() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    std::string whyNot_;
};

} // namespace tavor::test
