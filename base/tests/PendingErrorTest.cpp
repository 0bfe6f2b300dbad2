#include "base/PendingError.h"

#include <gtest/gtest.h>

using tavor::Error;
using tavor::PendingError;

// A failing step must be skipped without unwinding, keep its target, and leave
// its number and description for the procedure to judge afterwards.
TEST(PendingError, FailingStepIsRecordedAndTargetKept) {
    PendingError pending;
    QString target = QStringLiteral("kept");
    EXPECT_FALSE(pending.attempt([&] {
        throw Error(91, QStringLiteral("Object variable not set"));
        target = QStringLiteral("changed");
    }));
    EXPECT_EQ(target, QStringLiteral("kept"));
    EXPECT_EQ(pending.number(), 91);
    EXPECT_EQ(pending.description(), QStringLiteral("Object variable not set"));

    EXPECT_TRUE(pending.attempt([&] { target = QStringLiteral("next"); }));
    EXPECT_EQ(target, QStringLiteral("next"));
    EXPECT_EQ(pending.number(), 91) << "a later success must not clear the pending error";

    pending.clear();
    EXPECT_FALSE(pending.isSet());
    EXPECT_TRUE(pending.description().isEmpty());
}

TEST(PendingError, ReportJoinsNumberAndDescriptionWithThreeBlanks) {
    EXPECT_EQ(Error(3021, QStringLiteral("EOF")).report(), QStringLiteral("3021   EOF"));
}
