#include "platform/bank/BankDate.h"

#include "base/BlankTrim.h"

#include <QRegularExpression>

namespace tavor {

QDate BankDate::parse(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})([-/])(\\d{1,2})\\2(\\d{1,2})"
                       "(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d{1,9})?)?)?$"));
    const QRegularExpressionMatch match = form.match(BlankTrim::trim(text));
    if (!match.hasMatch())
        return {};
    if (match.hasCaptured(5)) {
        const int hour = match.captured(5).toInt();
        const int minute = match.captured(6).toInt();
        const int second = match.hasCaptured(7) ? match.captured(7).toInt() : 0;
        if (hour > 23 || minute > 59 || second > 59)
            return {};
    }
    return QDate(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(4).toInt());
}

} // namespace tavor
