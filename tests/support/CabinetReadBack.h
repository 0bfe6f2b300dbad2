#pragma once

#include <QByteArray>
#include <QString>

namespace tavor::test {

// What an independent reader (libmspack) finds in a cabinet.
struct MspackContents {
    QString error; // empty when the cabinet opened and its one file extracted
    int fileCount = 0;
    QByteArray name;
    int attributes = 0;
    qint64 length = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Opens the cabinet with libmspack and extracts its first file to extractTo
// (checksums and MSZIP streams are verified on the way).
MspackContents readWithMspack(const QString& cabinet, const QString& extractTo);

// The MD5 that `cabextract -t` reports for the cabinet's one file, hex; empty
// when cabextract finds an error.
QString md5FromCabextract(const QString& cabinet);

// The MD5 of a file, hex.
QString md5OfFile(const QString& path);

} // namespace tavor::test
