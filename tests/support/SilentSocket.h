#pragma once

#include <QFile>
#include <QString>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavor::test {

// A socket that takes every connection and never answers, as a message bus hung in its
// work does: the kernel completes each connection, nobody reads or writes.
class SilentSocket {
public:
    explicit SilentSocket(const QString& path) : path_(path) {
        sockaddr_un name{};
        name.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        if (size_t(encoded.size()) >= sizeof name.sun_path)
            return;
        std::copy(encoded.cbegin(), encoded.cend(), name.sun_path);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ >= 0 && (::bind(fd_, reinterpret_cast<sockaddr*>(&name), sizeof name) != 0 ||
                         ::listen(fd_, 16) != 0)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~SilentSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    // The socket as a message bus address; empty when it could not be made.
    QString address() const { return fd_ < 0 ? QString() : QStringLiteral("unix:path=") + path_; }

private:
    QString path_;
    int fd_ = -1;
};

} // namespace tavor::test
