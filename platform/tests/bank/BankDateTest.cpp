#include "platform/bank/BankDate.h"

#include <gtest/gtest.h>

using tavor::BankDate;

// One definition of a date for the whole program: the stored forms, nothing else.
TEST(BankDate, AcceptsStoredFormsAndRefusesEverythingElse) {
    for (const char* text : {"2026-12-07", "2026/12/07", "2026-12-07 23:59:59", "2026-12-07T10:00",
                             " 2026-12-07 ", "2026-12-07 10:00:00.123"})
        EXPECT_EQ(BankDate::parse(QString::fromUtf8(text)), QDate(2026, 12, 7)) << text;
    for (const char* text : {"", "2026-02-30", "2026-12/07", "07/12/2026", "2026-12-07x",
                             "2026-12-07 24:00", "\t2026-12-07", "today"})
        EXPECT_FALSE(BankDate::isDate(QString::fromUtf8(text))) << text;
}
