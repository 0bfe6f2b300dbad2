#include "platform/record/linux/StateFolderRunRecords.h"

#include "base/Error.h"
#include "support/FaultySystemCalls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// At the cap the oldest lines go (a tenth of them at once, so that the record is
// not written anew every night) and the newest stay in order; below it nothing is
// lost. A record that grew without end would fill a workstation's disk in years.
TEST(StateFolderRunRecords, KeepsTheNewestLinesUpToTheCap) {
    const auto numbers = [](int from, int to) {
        QList<QByteArray> lines;
        for (int i = from; i <= to; ++i)
            lines << QByteArray::number(i);
        return lines;
    };
    const struct {
        int cap;
        int appended;
        QList<QByteArray> kept;
    } cases[] = {
        {3, 2, numbers(1, 2)},    {3, 3, numbers(1, 3)},    {3, 5, numbers(3, 5)},
        {20, 20, numbers(1, 20)}, {20, 21, numbers(3, 21)}, {20, 24, numbers(5, 24)},
    };
    for (const auto& [cap, appended, kept] : cases) {
        QTemporaryDir folder;
        StateFolderRunRecords records(folder.filePath(QStringLiteral("state/tavor-backup")), cap);
        for (int i = 1; i <= appended; ++i)
            records.append(QByteArray::number(i));
        EXPECT_EQ(records.history(), kept) << cap << " " << appended;
        EXPECT_EQ(fileText(records.recordFile()), kept.join('\n') + '\n') << appended;
    }
}

// A line cut short (a power cut, a full disk) once had the next run's line glued
// to it, and both were lost to any reader: the next line starts on a line of its own.
TEST(StateFolderRunRecords, LineAfterATornOneStaysWhole) {
    QTemporaryDir folder;
    StateFolderRunRecords records(folder.path());
    QFile torn(records.recordFile());
    ASSERT_TRUE(torn.open(QIODevice::WriteOnly));
    torn.write("{\"a\":1}\n{\"ended\":\"2026-");
    torn.close();
    records.append("{\"b\":2}");
    EXPECT_EQ(records.history(),
              (QList<QByteArray>{"{\"a\":1}", "{\"ended\":\"2026-", "{\"b\":2}"}));
}

// A record that cannot be written says so, leaves the lines before it as they were,
// and a short write still leaves the whole line.
TEST(StateFolderRunRecords, FailedAppendRaisesAndShortWritesKeepTheLineWhole) {
    const struct {
        test::FaultySystemCalls::Call call;
        bool shortWrites;
    } cases[] = {
        {test::FaultySystemCalls::Call::Write, false},
        {test::FaultySystemCalls::Call::Fsync, false},
        {test::FaultySystemCalls::Call::Write, true},
    };
    for (const auto& [call, shortWrites] : cases) {
        QTemporaryDir folder;
        test::FaultySystemCalls calls;
        StateFolderRunRecords records(folder.path(), 10, calls);
        records.append("{\"first\":true}");
        if (shortWrites) {
            calls.limitWritesTo(3);
            records.append("{\"second\":true}");
            EXPECT_EQ(records.history().value(1), QByteArray("{\"second\":true}"));
            continue;
        }
        calls.failOn(call, ENOSPC);
        EXPECT_THROW(records.append("{\"second\":true}"), Error);
        EXPECT_EQ(records.history().value(0), QByteArray("{\"first\":true}"));
    }
}

namespace {

// The most memory the process has held since the last call, in KiB.
qint64 peakSinceLastCall() {
    const QByteArray status = fileText(QStringLiteral("/proc/self/status"));
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    return status.mid(status.indexOf("VmHWM:") + 6).trimmed().split(' ').value(0).toLongLong();
}

} // namespace

// An append read the whole record into memory twice over (2.1 GB for a 1 GiB
// record): below the cap and at it, it takes memory in pieces, not by the record.
TEST(StateFolderRunRecords, AppendTakesLittleMemoryWhateverTheRecordsSize) {
    for (const int cap : {1'000'000, 1'000}) {
        QTemporaryDir folder;
        StateFolderRunRecords records(folder.path(), cap);
        QFile record(records.recordFile());
        ASSERT_TRUE(record.open(QIODevice::WriteOnly));
        for (int i = 0; i < 32 * 1024; ++i)
            record.write(QByteArray(1023, 'r') + '\n');
        record.close();
        const qint64 before = peakSinceLastCall();
        records.append("{\"newest\":true}");
        EXPECT_LT(peakSinceLastCall() - before, 8 * 1024) << "KiB at the cap of " << cap;
        EXPECT_EQ(records.history().value(cap == 1'000 ? 900 : 32 * 1024), "{\"newest\":true}");
    }
}

// A relative XDG_STATE_HOME has no meaning under the base-directory rules; it put
// the record wherever the program happened to start.
TEST(StateFolderRunRecords, RelativeStateHomeIsIgnored) {
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(StateFolderRunRecords::defaultFolder(),
              QDir::homePath() + QStringLiteral("/.local/state/tavor-backup"));
    qputenv("XDG_STATE_HOME", "/srv/state");
    EXPECT_EQ(StateFolderRunRecords::defaultFolder(), QStringLiteral("/srv/state/tavor-backup"));
    qunsetenv("XDG_STATE_HOME");
}
