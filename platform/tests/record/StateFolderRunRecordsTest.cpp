#include "platform/record/linux/StateFolderRunRecords.h"

#include "base/Error.h"
#include "support/FaultySystemCalls.h"

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
