#pragma once

#include "safewrite/ContentChecksum.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/ReadBackFile.h"
#include "safewrite/SystemCalls.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace tavor {

// Reads a cabinet back from the medium with an independent reader (libmspack, not
// our writer's code): every data block's checksum is checked and every block
// inflated. Nothing is written; memory stays bounded. The idle ticker is ticked
// throughout, and flushing the file runs aside.
class CabinetVerifier {
public:
    // Called with the bytes unpacked so far.
    using Progress = std::function<void(std::int64_t unpacked)>;

    CabinetVerifier(SystemCalls& calls, IdleTicker& idle) : calls_(calls), idle_(idle) {}

    // Checks a cabinet on its own, with no source to compare: laid out as this
    // program writes cabinets (CabinetLayout), then its file unpacked and every data
    // block checked against its checksum. Returns the
    // SHA-256 of the cabinet's bytes as they were read (lower-case hex). Raises
    // tavor::Error naming target and what is wrong.
    QByteArray check(const QByteArray& path, const QString& target);

    // The one file a cabinet laid out as this program writes them holds: its name and
    // length as the cabinet records them. Raises tavor::Error as check() does.
    struct Content {
        QString name;
        std::int64_t length = 0;
    };
    Content content(const QByteArray& path, const QString& target);

    // Checks the cabinet as check() does, handing the bytes of its file to sink as
    // they are unpacked; an error the sink raises ends the unpacking and is raised.
    using Sink = std::function<void(const char* bytes, std::size_t size)>;
    void unpack(const QByteArray& path, const QString& target, const Sink& sink);

private:
    ReadBackFile& openBack(const QByteArray& path, const QString& target);
    // Opened back, and laid out as this program writes cabinets.
    ReadBackFile& openLaidOut(const QByteArray& path, const QString& target);

    SystemCalls& calls_;
    IdleTicker& idle_;
    std::optional<ReadBackFile> opened_;
};

} // namespace tavor
