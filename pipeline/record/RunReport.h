#pragma once

#include "base/Outcome.h"
#include "pipeline/run/RowOutcome.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavor {

// The lines an unattended run writes for whoever reads its log: one per row of
// the data-set list, then a summary.
class RunReport {
public:
    static QString rowLine(const RowOutcome& outcome, int index, int count);
    // The summary names what the data-set list could not read, when anything.
    static QString summaryLine(const QList<RowOutcome>& outcomes, double seconds,
                               const QStringList& unread = {});
    // The summary's note on the drive: "; drive encrypted: yes" or "no".
    static QString encryptionNote(bool encrypted);
    // What became of a manifest that could not be kept, naming it and why.
    static QString manifestFailure(const Outcome& manifest);
    // The text with its control characters and line breaks written as escapes
    // (\n, \t, \x1b, \u2028), so that a line of the log stays one line; every
    // other character stays as it is.
    static QString printable(const QString& text);
};

} // namespace tavor
