#include "cabinet/MszipCabinetCompressor.h"

#include "base/Error.h"

#include <QFileInfo>

namespace tavor {

MszipCabinetCompressor::MszipCabinetCompressor(SystemCalls& calls, CabinetWriterOptions options)
    : writer_(calls, options) {}

void MszipCabinetCompressor::compress() {
    setReadBackDigest({});
    const std::vector<CabinetFileEntry> entries = fileList().entries();
    fileList().clear();
    if (cabinetFile().trimmed().isEmpty()) {
        throw Error(ErrorNumber::InvalidProcedureCall, QStringLiteral("No cabinet file is set"));
    }
    if (entries.size() != 1) {
        throw Error(
            ErrorNumber::InvalidProcedureCall,
            QStringLiteral("A cabinet holds exactly one file; %1 were listed").arg(entries.size()));
    }
    const CabinetFileEntry& entry = entries.front();
    const QString name = entry.name.isEmpty() ? QFileInfo(entry.sourcePath).fileName() : entry.name;
    setReadBackDigest(QString::fromLatin1(
        writer_.write(cabinetFile(), entry.sourcePath, name, progressHandler(), idleHandler())));
}

} // namespace tavor
