#pragma once

#include "formats/elf/ElfFileVersion.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <stdexcept>

namespace tavor::test {

// ELF files made by binutils' objcopy, an independent writer of the format.
class ElfFiles {
public:
    // The built program, which carries the project's version (for the program's tests).
    static QString program() { return QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"); }
    // A small executable that carries version 1.0.0.0 as the program carries its own.
    static QString executable() {
        return QStringLiteral(TAVOR_SOURCE_DIR "/tests/support/elf/executable-1.0.0.0");
    }

    // A small ELF object of the given objcopy target (elf32-little, elf64-big, ...)
    // whose version section holds text.
    static void writeWithVersion(const QString& path, const QByteArray& text,
                                 const QString& target = QStringLiteral("elf64-little")) {
        const QString contents = path + QStringLiteral(".section");
        writeBytes(contents, text);
        objcopy({QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"), target,
                 QStringLiteral("--rename-section"), QStringLiteral(".data=" TAVOR_VERSION_SECTION),
                 contents, path});
        QFile::remove(contents);
    }

    // A copy of an executable whose version section holds text instead.
    static void copyWithVersion(const QString& executable, const QString& path,
                                const QByteArray& text) {
        const QString contents = path + QStringLiteral(".section");
        writeBytes(contents, text);
        objcopy({QStringLiteral("--update-section"),
                 QStringLiteral(TAVOR_VERSION_SECTION "=") + contents, executable, path});
        QFile::remove(contents);
    }
    static void copyProgramWithVersion(const QString& path, const QByteArray& text) {
        copyWithVersion(program(), path, text);
    }

    static void objcopy(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("objcopy"), arguments);
        if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0)
            throw std::runtime_error("objcopy failed: " +
                                     tool.readAllStandardError().toStdString());
    }

private:
    static void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write " + path.toStdString());
    }
};

} // namespace tavor::test
