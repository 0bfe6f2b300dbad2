#pragma once

#include "base/Outcome.h"
#include "pipeline/serverbackup/ServerGeneration.h"

#include <QString>

namespace tavor {

struct BackupContext;

// The statements a server backup is written and checked with, by the server's
// generation. Servers of major version 10 and older (and one whose version could
// not be read) take the media password:
//   BACKUP DATABASE D TO DISK = 'F' WITH INIT , MEDIAPASSWORD='P'
//   RESTORE VERIFYONLY FROM DISK = N'F' WITH MEDIAPASSWORD = 'P'
// From version 11 on the server refuses a media password; the backup carries a
// checksum instead, and is encrypted when the technician named a certificate. It
// starts a new media set each night: INIT alone keeps the file's media header, and
// one an older server wrote with a media password would refuse every backup after.
//   BACKUP DATABASE D TO DISK = N'F' WITH FORMAT, INIT, CHECKSUM[, ENCRYPTION
//   (ALGORITHM = AES_256, SERVER CERTIFICATE = C)]
//   RESTORE VERIFYONLY FROM DISK = N'F' WITH CHECKSUM
// A named certificate on a server that cannot encrypt (version 11, Express, Web)
// sends no backup at all: none is written unencrypted in its place.
// Names are bracketed and literals doubled as BackupStatement does.
class ServerBackupStatements {
public:
    ServerBackupStatements(const ServerGeneration& server, const QString& certificate,
                           const QString& mediaPassword);
    // For the run: the server as start-up read it, the certificate the technician
    // named (registry value ServerCertificate), the run's password.
    static ServerBackupStatements of(const BackupContext& context);

    bool currentServer() const { return current_; }
    const QString& certificate() const { return certificate_; }

    // Done when the backup may be sent; otherwise the error that says why not.
    const Outcome& sendable() const { return sendable_; }

    // Everything up to the end of the file path, safe to show: no password in it.
    QString head(const QString& database, const QString& file) const;
    // Raises the error of sendable() when the backup may not be sent.
    QString backup(const QString& database, const QString& file) const;
    QString verifyHead(const QString& file) const;
    QString verify(const QString& file) const;
    // "media password", "encrypted (<certificate>)" or "none".
    QString protection() const;

private:
    bool current_;
    QString certificate_;
    QString mediaPassword_;
    Outcome sendable_;
};

} // namespace tavor
