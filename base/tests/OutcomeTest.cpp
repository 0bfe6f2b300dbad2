#include "base/Outcome.h"

#include <gtest/gtest.h>
#include <stdexcept>

using tavor::Error;
using tavor::Outcome;

// A failing step must stop where it failed and hand its error on; a foreign
// exception must not escape a procedure that goes on after failures.
TEST(Outcome, FailureStopsTheStepAndCarriesItsError) {
    QString target = QStringLiteral("kept");
    const Outcome failed = Outcome::of([&] {
        throw Error(91, QStringLiteral("Object variable not set"));
        target = QStringLiteral("changed");
    });
    EXPECT_FALSE(failed);
    EXPECT_EQ(target, QStringLiteral("kept"));
    EXPECT_EQ(failed.failure().number(), 91);
    EXPECT_EQ(failed.reason(), QStringLiteral("Object variable not set"));

    const Outcome foreign = Outcome::of([] { throw std::runtime_error("bad_alloc-ish"); });
    EXPECT_EQ(foreign.failure().number(), tavor::ErrorNumber::AutomationError);
    EXPECT_TRUE(Outcome::of([&] { target = QStringLiteral("next"); }));
    EXPECT_EQ(target, QStringLiteral("next"));
}

TEST(Outcome, ReportJoinsNumberAndDescriptionWithThreeBlanks) {
    EXPECT_EQ(Error(3021, QStringLiteral("EOF")).report(), QStringLiteral("3021   EOF"));
}
