#include "pipeline/run/RoomBeforeWriting.h"

#include <gtest/gtest.h>

using namespace tavor;

namespace {

constexpr qint64 MiB = qint64(1) << 20;

} // namespace

// A cabinet needs what its kind's last ticked row made of each source byte, a plain
// copy its whole size; the margin is 1 %, never under 16 MiB.
TEST(RoomBeforeWriting, CabinetsShrinkByTheirKindsRatioAndTheMarginHasAFloor) {
    const RunHistory history({R"({"rows": [{"kind": "history", "outcome": "ok", "size": 1000,
        "written": 250}, {"kind": "main", "outcome": "failed", "size": 1000, "written": 10}]})"});
    const QMap<QString, double> ratios = RoomBeforeWriting::ratios(history);
    const struct {
        RoomBeforeWriting::Row row;
        qint64 needed;
    } cases[] = {
        {{QStringLiteral("history"), 400 * MiB, false}, 100 * MiB + 16 * MiB},
        {{QStringLiteral("history"), 4000 * MiB, true}, 4000 * MiB + 40 * MiB},
        {{QStringLiteral("main"), 400 * MiB, false}, 400 * MiB + 16 * MiB},
        {{QStringLiteral("signatures"), -1, false}, 16 * MiB},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoomBeforeWriting::needed({c.row}, ratios), c.needed) << c.row.kind.toStdString();
}
