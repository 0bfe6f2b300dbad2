#include "pipeline/run/PruningLines.h"

#include <QLocale>

namespace tavor {

QStringList PruningLines::removed(const PruningReport& report) {
    QStringList lines;
    for (const RemovedFolder& folder : report.removed)
        lines << QStringLiteral("removed old folder %1 (%2 bytes) to make room")
                     .arg(folder.name, bytes(folder.bytes));
    return lines;
}

QStringList PruningLines::warnings(const PruningReport& report) {
    QStringList lines;
    for (const PruningReport::LeftAlone& folder : report.leftAlone)
        lines << QStringLiteral("old folder %1 left alone: it holds \"%2\", which this program "
                                "does not write there")
                     .arg(folder.name, folder.entry);
    if (!report.failure.isEmpty())
        lines << QStringLiteral("pruning of old folders stopped: ") + report.failure;
    return lines;
}

QString PruningLines::summaryNote(const PruningReport& report) {
    if (!report.pruned || report.fits)
        return {};
    return QStringLiteral("; stick full: %1 dated folders kept").arg(report.kept);
}

QString PruningLines::bytes(qint64 count) {
    // The C locale groups digits only when asked to.
    QLocale english = QLocale::c();
    english.setNumberOptions(QLocale::DefaultNumberOptions);
    return english.toString(count);
}

} // namespace tavor
