#pragma once

#include "platform/journal/Journal.h"

namespace tavor {

// The systemd journal through libsystemd. A unit's standard error is the journal
// when the service manager says so in JOURNAL_STREAM ("device:inode" of the
// stream); a redirected standard error is not, whatever the variable says.
class SystemdJournal : public Journal {
public:
    bool connected() const override;
    void send(const JournalEntry& entry) override;

    // Whether stream names the device and inode "device:inode" in decimal.
    static bool streamMatches(const QByteArray& stream, quint64 device, quint64 inode);
};

} // namespace tavor
