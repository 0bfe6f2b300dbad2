#include "support/CabinetReadBack.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <mspack.h>

namespace tavor::test {

MspackContents readWithMspack(const QString& cabinet, const QString& extractTo) {
    MspackContents contents;
    // libmspack keeps the name it was opened with and reopens it to extract.
    QByteArray cabinetName = QFile::encodeName(cabinet);
    mscab_decompressor* reader = mspack_create_cab_decompressor(nullptr);
    mscabd_cabinet* cab = reader->open(reader, cabinetName.data());
    if (cab == nullptr) {
        contents.error = QStringLiteral("open failed, error %1").arg(reader->last_error(reader));
        mspack_destroy_cab_decompressor(reader);
        return contents;
    }
    for (mscabd_file* file = cab->files; file != nullptr; file = file->next) {
        ++contents.fileCount;
    }
    if (mscabd_file* file = cab->files) {
        contents.name = QByteArray(file->filename);
        contents.attributes = file->attribs;
        contents.length = file->length;
        contents.year = file->date_y;
        contents.month = file->date_m;
        contents.day = file->date_d;
        contents.hour = file->time_h;
        contents.minute = file->time_m;
        contents.second = file->time_s;
        const int result = reader->extract(reader, file, QFile::encodeName(extractTo).data());
        if (result != MSPACK_ERR_OK) {
            contents.error = QStringLiteral("extract failed, error %1").arg(result);
        }
    } else {
        contents.error = QStringLiteral("no file in cabinet");
    }
    reader->close(reader, cab);
    mspack_destroy_cab_decompressor(reader);
    return contents;
}

QString md5FromCabextract(const QString& cabinet) {
    QProcess process;
    process.start(QStringLiteral("cabextract"), {QStringLiteral("-t"), cabinet});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        return {};
    }
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("\\bOK\\s+([0-9a-f]{32})")).match(output);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString md5OfFile(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace tavor::test
