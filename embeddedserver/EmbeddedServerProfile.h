#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// The server generation an embedded server plays, from <folder>/server.ini:
//   [Server]
//   ProductVersion=16.0.4135.4
//   EngineEdition=3
//   Edition=Enterprise Edition (64-bit)
//   Certificates=TavorBackupCert, OtherCert
// Without the file (or a value) it plays the 10.50 Express server the backup
// statements were first written for.
struct EmbeddedServerProfile {
    static constexpr int ExpressEdition = 4;

    QString productVersion = QStringLiteral("10.50.6000.34");
    int engineEdition = ExpressEdition;
    // SERVERPROPERTY('Edition'); empty: named after the engine edition.
    QString edition;
    // The server certificates that a backup may be encrypted with.
    QStringList certificates;

    static EmbeddedServerProfile read(const QString& folder);

    // The number before the first dot; 0 when there is none.
    int majorVersion() const;
    // From version 11 on, a backup can no longer be given a media password.
    bool refusesMediaPassword() const { return majorVersion() >= 11; }
    // Backup encryption came with version 12, and never to Express or Web.
    bool knowsEncryption() const { return majorVersion() >= 12; }
    bool editionEncryptsBackups() const;
    bool hasCertificate(const QString& name) const;
    // SERVERPROPERTY('Edition') as the server names its edition.
    QString editionName() const;
};

} // namespace tavor
