#pragma once

#include "pipeline/record/RunHistory.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

namespace tavor {

// What a run will need on the target volume before its first row is written: each
// row's source size, a cabinet's shrunk by what the same kind's last ticked row
// made of its source, and a margin for the file system's own keeping.
class RoomBeforeWriting {
public:
    struct Row {
        // The kind's name as the record keeps it ("history").
        QString kind;
        qint64 size = 0;
        // Copied as it is rather than packed.
        bool plain = false;
    };

    static constexpr qint64 MarginPercent = 1;
    static constexpr qint64 MinimumMargin = qint64(16) << 20;

    // ratios: written / size by kind; a kind without one counts its whole size.
    static qint64 needed(const QList<Row>& rows, const QMap<QString, double>& ratios = {});
    // What each kind's last ticked row left on the drive for each byte of its source.
    static QMap<QString, double> ratios(const RunHistory& history);
};

} // namespace tavor
