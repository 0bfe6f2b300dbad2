#include "platform/database/linux/OdbcDiagnostics.h"

#include <gtest/gtest.h>

using tavor::OdbcDiagnostics;
using Record = OdbcDiagnostics::Record;

// Guards against the driver's generic first record (no native number) hiding the server's.
TEST(OdbcDiagnostics, NumberIsTheFirstNonZeroNativeNumber) {
    const auto error =
        OdbcDiagnostics::toError({{"HY000", 0, "General error"},
                                  {"42000", 3201, "Cannot open backup device."},
                                  {"42000", 3013, "BACKUP DATABASE is terminating abnormally."}},
                                 "SQLExecDirect failed.");
    EXPECT_EQ(error.number(), 3201);
    EXPECT_EQ(error.description(), QStringLiteral("General error\nCannot open backup device.\n"
                                                  "BACKUP DATABASE is terminating abnormally."));
}

// Guards against a progress message that came before the failure taking its number.
TEST(OdbcDiagnostics, InformationalRecordsYieldToErrors) {
    const auto error = OdbcDiagnostics::toError(
        {{"01000", 3211, "90 percent processed."}, {"42000", 3201, "Cannot open backup device."}},
        "SQLMoreResults failed.");
    EXPECT_EQ(error.number(), 3201);
    EXPECT_EQ(error.description(), QStringLiteral("Cannot open backup device."));

    EXPECT_EQ(
        OdbcDiagnostics::toError({{"01000", 5701, "Changed database context."}}, "x").number(),
        5701);
}

// Guards against an error with no number or no text reaching the operator blank.
TEST(OdbcDiagnostics, FallsBackToTheProviderNumberAndTheFailedCall) {
    const auto unnumbered =
        OdbcDiagnostics::toError({{"HYT00", 0, "Query timeout expired"}}, "SQLExecDirect failed.");
    EXPECT_EQ(unnumbered.number(), tavor::ErrorNumber::ProviderError);
    EXPECT_EQ(unnumbered.description(), QStringLiteral("Query timeout expired"));

    const auto empty = OdbcDiagnostics::toError({}, "SQLExecDirect failed.");
    EXPECT_EQ(empty.number(), tavor::ErrorNumber::ProviderError);
    EXPECT_EQ(empty.description(), QStringLiteral("SQLExecDirect failed."));
}
