#include "platform/journal/linux/SystemdJournal.h"

#include <gtest/gtest.h>

using namespace tavor;

// Standard error belongs to the journal only when JOURNAL_STREAM names its very
// device and inode: a unit whose output was redirected to a file inherits the
// variable, and its lines must stay in that file.
TEST(SystemdJournal, StreamMatchesOnlyItsOwnDeviceAndInode) {
    const struct {
        QByteArray stream;
        bool matches;
    } cases[] = {
        {"8:12345", true},    {"8:12346", false}, {"9:12345", false},
        {"8:12345:1", false}, {"8:", false},      {":12345", false},
        {"", false},          {"x:12345", false}, {"08:012345", true},
    };
    for (const auto& [stream, matches] : cases)
        EXPECT_EQ(SystemdJournal::streamMatches(stream, 8, 12345), matches) << stream.constData();
}
