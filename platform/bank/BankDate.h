#pragma once

#include <QDate>
#include <QString>

namespace tavor {

// The one meaning of "a valid date" in the program: "yyyy-mm-dd" (as the bank
// library writes dates) or "yyyy/mm/dd", optionally followed by a time of day
// ("hh:mm", "hh:mm:ss", fractions of a second allowed). Impossible dates such as
// 2026-02-30, and anything else, are not dates.
class BankDate {
public:
    // The date, or an invalid QDate when the text is not a date.
    static QDate parse(const QString& text);
    static bool isDate(const QString& text) { return parse(text).isValid(); }
};

} // namespace tavor
