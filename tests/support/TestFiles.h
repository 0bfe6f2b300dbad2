#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace tavor::test {

inline QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes) {
        byte = char(generator.bounded(256));
    }
    return bytes;
}

// A stretch of 20,000 random bytes over and over, to size bytes: shorter than a
// cabinet block, so that a block that starts afresh holds it once in full while
// one with its history refers back to the block before it for everything.
inline QByteArray repeatedStretch(qsizetype size, quint32 seed) {
    const QByteArray stretch = randomBytes(20000, seed);
    QByteArray bytes;
    bytes.reserve(size + stretch.size());
    while (bytes.size() < size) {
        bytes += stretch;
    }
    return bytes.left(size);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write test file " + path.toStdString());
    }
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones included (temporary files start with a dot).
inline QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace tavor::test
