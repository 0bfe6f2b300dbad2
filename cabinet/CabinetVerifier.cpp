#include "cabinet/CabinetVerifier.h"

#include "base/Error.h"
#include "cabinet/CabinetLayout.h"
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

using Progress = CabinetVerifier::Progress;

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

// A cabinet opened by libmspack on the file read back, with what unpacking it needs.
class CabinetReading {
public:
    CabinetReading(ReadBackFile& file, const QByteArray& path, const Progress& progress,
                   IdleTicker& idle, const CabinetVerifier::Sink& sink = {})
        : progress_(progress), system_(file, progress_, idle, sink),
          reader_(mspack_create_cab_decompressor(system_.system())), target_(file.target()) {
        if (!reader_) {
            throw readBackError(target_, QStringLiteral("cannot be checked: no reader"));
        }
        reader_->set_param(reader_.get(), MSCABD_PARAM_DECOMPBUF, ReaderBufferBytes);
        cabinet_.emplace(reader_.get(), path);
        system_.rethrowKept();
        if (cabinet_->get() == nullptr) {
            throw readBackError(target_, describeFailure(reader_->last_error(reader_.get())));
        }
    }

    const mscabd_cabinet& cabinet() const { return *cabinet_->get(); }
    const ContentChecksum& unpacked() const { return system_.unpacked(); }

    // Unpacks one file into the checksum, every data block checked on the way.
    void extract(mscabd_file* file) {
        char sink[] = "checksum";
        const int result = reader_->extract(reader_.get(), file, sink);
        system_.rethrowKept();
        if (result != MSPACK_ERR_OK) {
            throw readBackError(target_, describeFailure(result));
        }
    }

private:
    Progress progress_;
    MspackReadBackSystem system_;
    std::unique_ptr<mscab_decompressor, DecompressorDeleter> reader_;
    QString target_;
    std::optional<OpenCabinet> cabinet_;
};

} // namespace

QByteArray CabinetVerifier::check(const QByteArray& path, const QString& target) {
    ReadBackFile& file = openLaidOut(path, target);
    CabinetReading reading(file, path, {}, idle_);
    reading.extract(reading.cabinet().files);
    return file.sha256(idle_);
}

CabinetVerifier::Content CabinetVerifier::content(const QByteArray& path, const QString& target) {
    ReadBackFile& file = openLaidOut(path, target);
    CabinetReading reading(file, path, {}, idle_);
    const mscabd_file* entry = reading.cabinet().files;
    return {QString::fromUtf8(entry->filename), std::int64_t(entry->length)};
}

void CabinetVerifier::unpack(const QByteArray& path, const QString& target, const Sink& sink) {
    ReadBackFile& file = openLaidOut(path, target);
    CabinetReading reading(file, path, {}, idle_, sink);
    reading.extract(reading.cabinet().files);
}

ReadBackFile& CabinetVerifier::openLaidOut(const QByteArray& path, const QString& target) {
    ReadBackFile& file = openBack(path, target);
    if (const QString problem = CabinetLayout::problem(file); !problem.isEmpty()) {
        throw readBackError(target, problem);
    }
    return file;
}

// Opening flushes the file and drops its cached pages, which can take a while.
ReadBackFile& CabinetVerifier::openBack(const QByteArray& path, const QString& target) {
    opened_.reset();
    idle_.runAside([&] { opened_.emplace(path, target, calls_); });
    return *opened_;
}

} // namespace tavor
