#include "pipeline/record/RunReport.h"

#include "pipeline/record/RunManifest.h"

#include <algorithm>

namespace tavor {

QString RunReport::rowLine(const RowOutcome& outcome, int index, int count) {
    const QString size =
        outcome.size < 0 ? QStringLiteral("unknown") : QString::number(outcome.size);
    QString line = QStringLiteral("row %1/%2 \"%3\" source=%4 target=%5 size=%6 ")
                       .arg(index)
                       .arg(count)
                       .arg(outcome.text, outcome.source,
                            outcome.target.isEmpty() ? QStringLiteral("-") : outcome.target, size);
    line += outcome.succeeded ? QStringLiteral("ok") : QStringLiteral("FAILED: ") + outcome.reason;
    line += QStringLiteral(" %1 s").arg(outcome.seconds, 0, 'f', 2);
    if (!outcome.protection.isEmpty())
        line += QStringLiteral(" protection=") + outcome.protection;
    return line;
}

QString RunReport::summaryLine(const QList<RowOutcome>& outcomes, double seconds,
                               const QStringList& unread) {
    const auto ticked = std::count_if(outcomes.cbegin(), outcomes.cend(),
                                      [](const RowOutcome& o) { return o.succeeded; });
    QString line = QStringLiteral("run ended: %1 rows, %2 ticked, %3 failed, %4 s")
                       .arg(outcomes.size())
                       .arg(ticked)
                       .arg(outcomes.size() - ticked)
                       .arg(seconds, 0, 'f', 2);
    if (!unread.isEmpty())
        line += QStringLiteral("; could not read: ") + unread.join(QStringLiteral("; "));
    return line;
}

QString RunReport::encryptionNote(bool encrypted) {
    return QStringLiteral("; drive encrypted: ") +
           (encrypted ? QStringLiteral("yes") : QStringLiteral("no"));
}

QString RunReport::printable(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category != QChar::Other_Control && category != QChar::Separator_Line &&
            category != QChar::Separator_Paragraph) {
            result += c;
        } else if (c == QLatin1Char('\n')) {
            result += QLatin1String("\\n");
        } else if (c == QLatin1Char('\r')) {
            result += QLatin1String("\\r");
        } else if (c == QLatin1Char('\t')) {
            result += QLatin1String("\\t");
        } else if (c.unicode() < 0x80) {
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return result;
}

QString RunReport::manifestFailure(const Outcome& manifest) {
    return RunManifest::FileName + QStringLiteral(" was not kept: ") + manifest.reason();
}

} // namespace tavor
