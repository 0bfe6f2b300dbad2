#include "platform/process/ProcessServices.h"

#include <QStringList>

namespace tavor {

ProgramVersion ProgramVersion::fromFileVersion(const QString& text) {
    const QStringList fields = text.split(QLatin1Char('.'));
    const auto at = [&](qsizetype index) {
        return index < fields.size() ? fields[index].toInt() : 0;
    };
    return ProgramVersion{at(0), at(1), at(2)};
}

} // namespace tavor
