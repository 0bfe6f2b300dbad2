#include "cabinet/CabinetVerifier.h"

#include "base/Error.h"
#include "cabinet/MspackReadBackSystem.h"
#include "safewrite/ReadBackFile.h"

#include <memory>
#include <optional>

namespace tavor {

namespace {

// libmspack's input buffer: larger than its default, for fewer reads.
constexpr int ReaderBufferBytes = 1 << 16;

Error readBackError(const QString& target, const QString& what) {
    return Error(ErrorNumber::DeviceIOError,
                 QStringLiteral("The cabinet '%1' read back from the disk %2").arg(target, what));
}

QString describeFailure(int result) {
    switch (result) {
    case MSPACK_ERR_CHECKSUM:
        return QStringLiteral("has a data block that fails its checksum");
    case MSPACK_ERR_DECRUNCH:
        return QStringLiteral("has a data block that cannot be unpacked");
    case MSPACK_ERR_SIGNATURE:
    case MSPACK_ERR_DATAFORMAT:
        return QStringLiteral("is not a valid cabinet");
    case MSPACK_ERR_NOMEMORY:
        return QStringLiteral("cannot be checked: out of memory");
    default:
        return QStringLiteral("cannot be read (reader error %1)").arg(result);
    }
}

struct DecompressorDeleter {
    void operator()(mscab_decompressor* reader) const { mspack_destroy_cab_decompressor(reader); }
};

// The one cabinet a reader has open, closed with it.
class OpenCabinet {
public:
    OpenCabinet(mscab_decompressor* reader, QByteArray name)
        : reader_(reader), name_(std::move(name)), cabinet_(reader->open(reader, name_.data())) {}
    ~OpenCabinet() {
        if (cabinet_ != nullptr) {
            reader_->close(reader_, cabinet_);
        }
    }
    OpenCabinet(const OpenCabinet&) = delete;
    OpenCabinet& operator=(const OpenCabinet&) = delete;

    mscabd_cabinet* get() const { return cabinet_; }

private:
    mscab_decompressor* reader_;
    QByteArray name_;
    mscabd_cabinet* cabinet_;
};

void checkLayout(const mscabd_cabinet& cabinet, std::int64_t fileSize, const QString& target,
                 const QByteArray& entryName, const ContentChecksum& expected) {
    const mscabd_file* file = cabinet.files;
    if (file == nullptr || file->next != nullptr || cabinet.next != nullptr) {
        throw readBackError(target, QStringLiteral("does not hold exactly one file"));
    }
    if (QByteArray(file->filename) != entryName) {
        throw readBackError(
            target, QStringLiteral("names its file '%1' instead of '%2'")
                        .arg(QString::fromUtf8(file->filename), QString::fromUtf8(entryName)));
    }
    if (std::int64_t(file->length) != expected.length() ||
        std::int64_t(cabinet.length) != fileSize) {
        throw readBackError(target, QStringLiteral("records sizes that do not match its contents"));
    }
}

} // namespace

QByteArray CabinetVerifier::verify(const QByteArray& path, const QString& target,
                                   const QByteArray& entryName, const ContentChecksum& expected,
                                   const Progress& progress) {
    // Opening flushes the file and drops its cached pages, which can take a while.
    std::optional<ReadBackFile> opened;
    idle_.runAside([&] { opened.emplace(path, target, calls_); });
    ReadBackFile& file = *opened;
    MspackReadBackSystem system(file, progress, idle_);
    const std::unique_ptr<mscab_decompressor, DecompressorDeleter> reader(
        mspack_create_cab_decompressor(system.system()));
    if (!reader) {
        throw readBackError(target, QStringLiteral("cannot be checked: no reader"));
    }
    reader->set_param(reader.get(), MSCABD_PARAM_DECOMPBUF, ReaderBufferBytes);
    const OpenCabinet cabinet(reader.get(), path);
    system.rethrowKept();
    if (cabinet.get() == nullptr) {
        throw readBackError(target, describeFailure(reader->last_error(reader.get())));
    }
    checkLayout(*cabinet.get(), file.size(), target, entryName, expected);
    char sink[] = "checksum";
    const int result = reader->extract(reader.get(), cabinet.get()->files, sink);
    system.rethrowKept();
    if (result != MSPACK_ERR_OK) {
        throw readBackError(target, describeFailure(result));
    }
    if (system.unpacked() != expected) {
        throw readBackError(target, QStringLiteral("unpacks to %1; the source packed was %2")
                                        .arg(system.unpacked().describe(), expected.describe()));
    }
    return file.sha256(idle_);
}

} // namespace tavor
