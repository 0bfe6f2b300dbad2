// Any bytes as an executable: the version reader returns digits and dots or
// nothing, and never reads outside the file.

#include "formats/elf/ElfFileVersion.h"
#include "support/FuzzCheck.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]*$"));
    const QString path = folder.filePath(QStringLiteral("program"));
    {
        QFile file(path);
        TAVOR_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        TAVOR_FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) ==
                         qint64(size));
    }
    TAVOR_FUZZ_CHECK(digitsAndDots.match(tavor::ElfFileVersion::read(path)).hasMatch());
    return 0;
}
