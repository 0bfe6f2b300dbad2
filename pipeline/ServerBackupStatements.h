#pragma once

#include <QString>

namespace tavor {

struct BackupContext;

// The statements a server backup is written and checked with, by the server's
// generation. Servers of major version 10 and older (and one whose version could
// not be read) take the media password:
//   BACKUP DATABASE D TO DISK = 'F' WITH INIT , MEDIAPASSWORD='P'
//   RESTORE VERIFYONLY FROM DISK = N'F' WITH MEDIAPASSWORD = 'P'
// From version 11 on the server refuses a media password; the backup carries a
// checksum instead, and is encrypted when the technician named a certificate:
//   BACKUP DATABASE D TO DISK = N'F' WITH INIT, CHECKSUM[, ENCRYPTION (ALGORITHM =
//   AES_256, SERVER CERTIFICATE = C)]
//   RESTORE VERIFYONLY FROM DISK = N'F' WITH CHECKSUM
// Names are bracketed and literals doubled as BackupStatement does.
class ServerBackupStatements {
public:
    ServerBackupStatements(const QString& serverVersion, const QString& certificate,
                           const QString& mediaPassword);
    // For the run: the server's version as start-up read it, the certificate the
    // technician named (registry value ServerCertificate), the run's password.
    static ServerBackupStatements of(const BackupContext& context);

    // True from major version 11 on.
    static bool isCurrentServer(const QString& serverVersion);
    bool currentServer() const { return current_; }
    const QString& certificate() const { return certificate_; }

    // Everything up to the end of the file path, safe to show: no password in it.
    QString head(const QString& database, const QString& file) const;
    QString backup(const QString& database, const QString& file) const;
    QString verifyHead(const QString& file) const;
    QString verify(const QString& file) const;
    // "media password", "encrypted (<certificate>)" or "none".
    QString protection() const;

    static const QString CertificateValue;

private:
    bool current_;
    QString certificate_;
    QString mediaPassword_;
};

} // namespace tavor
