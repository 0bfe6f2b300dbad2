#pragma once

#include <QString>

namespace tavor {

struct MainState;

// The server as start-up read it after connecting (SERVERPROPERTY ProductVersion,
// EngineEdition and Edition), and what its generation and edition allow a backup.
class ServerGeneration {
public:
    ServerGeneration() = default;
    explicit ServerGeneration(const QString& productVersion, const QString& engineEdition = {},
                              const QString& edition = {});
    static ServerGeneration of(const MainState& state);

    // From major version 11 on the server refuses a media password; its backups carry
    // a checksum and start a new media set. False for a version that was not read.
    bool current() const { return major_ >= 11; }
    // Empty when the server can encrypt a backup; otherwise why it cannot: backup
    // encryption came with version 12, and Express and Web never have it.
    QString whyNoEncryption() const;

private:
    QString version_;
    int major_ = 0;
    QString engineEdition_;
    QString edition_;
};

} // namespace tavor
