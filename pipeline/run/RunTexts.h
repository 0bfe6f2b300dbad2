#pragma once

#include <QString>

namespace tavor {

// The Arabic texts the archive run shows the operator.
class RunTexts {
public:
    static const QString CopyingCaption;
    static const QString FinishedText;
    static const QString NoDriveText;
    static const QString DriveGoneText;
    static const QString PlainTargetText;
    static const QString RemovedText;
    static const QString NotRemovedText;
    // How many old dated folders were removed to make room; %1 the number.
    static const QString PrunedText;
};

} // namespace tavor
