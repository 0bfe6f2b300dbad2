#pragma once

#include "pipeline/run/PruningReport.h"

#include <QString>
#include <QStringList>

namespace tavor {

// What an unattended run says of the room it made on the stick: a line for each
// folder removed, and warnings for each left alone and a removal that failed, and the
// summary's note on a stick still too full.
class PruningLines {
public:
    static QStringList removed(const PruningReport& report);
    static QStringList warnings(const PruningReport& report);
    // "; stick full: N dated folders kept"; empty when the run fits or nothing was
    // looked at.
    static QString summaryNote(const PruningReport& report);
    // A count of bytes with thousands separators: 412,331,008.
    static QString bytes(qint64 count);
};

} // namespace tavor
