// Any bytes packed into a cabinet come back the same through an independent
// reader (libmspack).

#include "base/Error.h"
#include "cabinet/CabinetWriter.h"
#include "support/CabinetReadBack.h"
#include "support/FuzzCheck.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bin"));
    const QString cabinet = folder.filePath(QStringLiteral("source.cab"));
    const QString extracted = folder.filePath(QStringLiteral("extracted.bin"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(source);
        TAVOR_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        TAVOR_FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    QFile::remove(extracted);

    tavor::CabinetWriterOptions options;
    options.threads = 1;
    // Both packings, by the input's length: blocks on their own, and blocks that
    // refer into the one before them.
    options.packing = size % 2 == 0 ? tavor::CabinetPacking::Fast : tavor::CabinetPacking::Small;
    try {
        tavor::CabinetWriter(tavor::SystemCalls::host(), options)
            .write(cabinet, source, QStringLiteral("source.bin"), [](int) {});
    } catch (const tavor::Error& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.report()));
        TAVOR_FUZZ_CHECK(!"a cabinet of these bytes was refused");
    }
    const tavor::test::MspackContents contents = tavor::test::readWithMspack(cabinet, extracted);
    TAVOR_FUZZ_CHECK(contents.error.isEmpty());
    TAVOR_FUZZ_CHECK(contents.fileCount == 1 && contents.length == bytes.size());
    TAVOR_FUZZ_CHECK(contentsOf(extracted) == bytes);
    return 0;
}
