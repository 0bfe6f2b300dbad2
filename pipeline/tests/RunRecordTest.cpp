#include "pipeline/record/RunRecord.h"
#include "pipeline/record/RunHistory.h"
#include "pipeline/record/RunMetrics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace tavor;

// Whoever reads the record in another time zone must know when the run was: the
// offset is always written, also for UTC and for zones off by half an hour.
TEST(RunRecord, TimestampsCarryTheirOffset) {
    const QDateTime moment(QDate(2026, 12, 7), QTime(22, 30, 5, 640));
    const struct {
        int offsetSeconds;
        const char* written;
    } cases[] = {
        {0, "2026-12-07T22:30:05+00:00"},
        {3 * 3600, "2026-12-07T22:30:05+03:00"},
        {-(4 * 3600 + 1800), "2026-12-07T22:30:05-04:30"},
    };
    for (const auto& [offset, written] : cases) {
        const QDateTime local(moment.date(), moment.time(), QTimeZone(offset));
        EXPECT_EQ(RunRecord::timestamp(local), QString::fromLatin1(written));
        EXPECT_EQ(
            QDateTime::fromString(RunRecord::timestamp(local), Qt::ISODate).toSecsSinceEpoch(),
            local.toSecsSinceEpoch());
    }
}

// An error text that quotes a statement would carry the media password into a file
// that head office collects: wherever it occurs, it is masked.
TEST(RunRecord, HiddenTextNeverReachesTheLine) {
    RunRecord record;
    record.hidden = {QStringLiteral("s3cr\"et"), QString()};
    record.reason = QStringLiteral("start-up failed: MEDIAPASSWORD='s3cr\"et'");
    RowOutcome row;
    row.kind = DataSet::Signatures;
    row.source = QStringLiteral("/srv/s3cr\"et/TAVOR_SG.bak");
    row.reason = QStringLiteral("refused: s3cr\"et");
    record.rows = {{row, -1}};
    const QByteArray line = record.line();
    EXPECT_FALSE(line.contains("s3cr"));
    EXPECT_EQ(line.count("***"), 3);
    EXPECT_FALSE(line.contains('\n'));
}

// The last complete copy of a volume: only runs onto that removable volume in which
// rows were taken and every one got its tick.
TEST(RunHistory, LastCompleteCopyPerRemovableVolume) {
    const auto run = [](const char* ended, const char* uuid, bool removable, int exit, int rows) {
        QJsonArray taken;
        for (int i = 0; i < rows; ++i)
            taken.append(QJsonObject{{"kind", "main"}, {"outcome", "ok"}});
        QJsonObject drive{{"mount", "/media/usb"}, {"removable", removable}};
        if (*uuid)
            drive.insert("filesystem_uuid", uuid);
        return QJsonDocument(
                   QJsonObject{
                       {"ended", ended}, {"exit_status", exit}, {"drive", drive}, {"rows", taken}})
            .toJson(QJsonDocument::Compact);
    };
    const RunHistory history({
        run("2026-12-01T22:30:00+03:00", "A", true, 0, 5),
        run("2026-12-02T22:30:00+03:00", "A", true, 1, 5), // a row failed
        run("2026-12-03T22:30:00+03:00", "B", true, 0, 5),
        run("2026-12-04T22:30:00+03:00", "C", false, 0, 5), // a fixed disk
        run("2026-12-05T22:30:00+03:00", "B", true, 0, 0),  // nothing taken
        run("2026-12-06T22:30:00+03:00", "", true, 0, 5),   // no UUID known
        "{\"ended\":\"2026-12-07T2",                        // cut short
    });
    const QMap<QString, QDateTime> copies = history.lastCompleteCopies();
    EXPECT_EQ(copies.keys(), (QStringList{"A", "B"}));
    EXPECT_EQ(RunRecord::timestamp(copies["A"].toOffsetFromUtc(3 * 3600)),
              QStringLiteral("2026-12-01T22:30:00+03:00"));
    EXPECT_EQ(RunRecord::timestamp(copies["B"].toOffsetFromUtc(3 * 3600)),
              QStringLiteral("2026-12-03T22:30:00+03:00"));
    EXPECT_EQ(history.runs().size(), 6);
    EXPECT_EQ(RunRecord::timestamp(history.lastSuccess().toOffsetFromUtc(3 * 3600)),
              QStringLiteral("2026-12-06T22:30:00+03:00"));
}

// A branch name with a quote or a backslash would make the whole file unreadable to
// the collector: label values are escaped as the format wants them.
TEST(RunMetrics, LabelValuesAreEscaped) {
    EXPECT_EQ(RunMetrics::labelValue(QStringLiteral("a\"b\\c\nd نابلس")),
              QByteArray("a\\\"b\\\\c\\nd ") + QStringLiteral("نابلس").toUtf8());
}
