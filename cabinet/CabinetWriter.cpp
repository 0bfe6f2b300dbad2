#include "cabinet/CabinetWriter.h"

#include "base/Error.h"
#include "cabinet/CabinetFormat.h"
#include "cabinet/ConcurrentReadBack.h"
#include "cabinet/ParallelBlockEncoder.h"
#include "cabinet/WriteBehind.h"
#include "safewrite/ReplacementFile.h"
#include "safewrite/SourceFile.h"

#include <QLocale>
#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

namespace tavor {

namespace {

// Blocks are gathered into writes of about this size.
constexpr std::size_t OutputBufferBytes = std::size_t(256) << 10;
// Packing takes the progress up to here and reading back, which goes along, the
// rest up to 99; 100 is kept for the cabinet in place.
constexpr int PackedPercent = 80;

void refuseOversized(const SourceFile& source) {
    if (source.size() > cabinet::MaxFolderBytes) {
        const QLocale c = QLocale::c();
        throw Error(ErrorNumber::InvalidProcedureCall,
                    QStringLiteral("'%1' has %2 bytes; a cabinet holds at most %3")
                        .arg(source.path(), c.toString(source.size()),
                             c.toString(cabinet::MaxFolderBytes)));
    }
}

cabinet::Entry entryFor(const SourceFile& source, const QString& name) {
    cabinet::Entry entry;
    entry.name = name.toUtf8();
    entry.size = std::uint32_t(source.size());
    entry.dosDate = cabinet::dosDate(source.modified().tv_sec);
    entry.dosTime = cabinet::dosTime(source.modified().tv_sec);
    return entry;
}

// Tells each whole percentage at most once, in order: packing and reading back
// each take their share as they go.
class PercentReporter {
public:
    PercentReporter(const CabinetWriter::Progress& progress, std::int64_t sourceSize)
        : progress_(progress), total_(std::max<std::int64_t>(1, sourceSize)) {}

    void reach(int percent) {
        if (percent > last_ && progress_) {
            last_ = percent;
            progress_(percent);
        }
    }

    void packed(std::uint32_t block, std::uint32_t count) {
        packed_ = int(std::int64_t(block) * PackedPercent / std::max<std::uint32_t>(1, count));
        reach(packed_ + readBack_);
    }

    void readBack(std::int64_t unpacked) {
        readBack_ = int(unpacked * (99 - PackedPercent) / total_);
        reach(packed_ + readBack_);
    }

private:
    const CabinetWriter::Progress& progress_;
    const std::int64_t total_;
    int packed_ = 0;
    int readBack_ = 0;
    int last_ = -1;
};

// Hands the blocks to the writer in buffers; returns the checksum of the source
// bytes they hold.
ContentChecksum writeBlocks(ParallelBlockEncoder& blocks, WriteBehind& writer,
                            PercentReporter& percent, IdleTicker& idle,
                            const ConcurrentReadBack* readBack, PackingChoice& packing) {
    ContentChecksum packed;
    std::vector<std::uint8_t> buffer;
    buffer.reserve(OutputBufferBytes + 2 * cabinet::BlockSize);
    const std::uint32_t count = blocks.blockCount();
    for (std::uint32_t block = 0; block < count; ++block) {
        const ParallelBlockEncoder::Block next = blocks.next(idle);
        const std::span<const std::uint8_t> bytes = next.encoded;
        packed.add(next.source.data(), next.source.size());
        buffer.insert(buffer.end(), bytes.begin(), bytes.end());
        if (buffer.size() >= OutputBufferBytes) {
            writer.append(buffer, idle);
            if (readBack != nullptr) {
                percent.readBack(readBack->unpacked());
            }
        }
        percent.packed(block + 1, count);
        packing.review();
        idle.tick();
    }
    writer.append(buffer, idle);
    return packed;
}

// The cabinet's total size, known once every block is in, goes into its header.
void completeHeader(ReplacementFile& output, std::int64_t total) {
    std::uint8_t size[4];
    for (int i = 0; i < 4; ++i) {
        size[i] = std::uint8_t(std::uint64_t(total) >> (8 * i));
    }
    output.overwrite(size, sizeof size, cabinet::CabinetSizeOffset);
}

} // namespace

CabinetWriter::CabinetWriter(SystemCalls& calls, CabinetWriterOptions options)
    : calls_(calls), options_(options) {}

QByteArray CabinetWriter::write(const QString& cabinet, const QString& source,
                                const QString& entryName, const Progress& progress,
                                const IdleTicker::Handler& idle) {
    const SourceFile input(source, calls_);
    refuseOversized(input);
    PercentReporter percent(progress, input.size());
    percent.reach(0);
    IdleTicker ticker(idle, options_.idleInterval);

    ReplacementFile output(cabinet, calls_);
    ParallelBlockEncoder blocks(input, calls_, threadCount(), options_.level);
    const cabinet::Entry entry = entryFor(input, entryName);
    const QByteArray header = cabinet::headerBytes(entry, std::uint16_t(blocks.blockCount()));
    output.append(header.constData(), std::size_t(header.size()));
    std::optional<ConcurrentReadBack> readBack;
    if (options_.verify) {
        readBack.emplace(output.temporaryPath(), output.target(), calls_);
    }
    PackingChoice packing(blocks, options_.packing);
    // The writing thread's own: its waits hold no window.
    IdleTicker unattended;
    WriteBehind writer(output, header.size(), [&](std::int64_t end) {
        if (readBack) {
            readBack->written(end, unattended);
        }
    });
    const ContentChecksum packed =
        writeBlocks(blocks, writer, percent, ticker, readBack ? &*readBack : nullptr, packing);
    completeHeader(output, writer.drain(ticker));
    input.checkUnchanged();
    ticker.runAside([&] { output.flush(); });
    QByteArray digest;
    if (readBack) {
        digest = readBack->finish(entry.name, packed, ticker,
                                  [&] { percent.readBack(readBack->unpacked()); });
        percent.readBack(packed.length());
    }
    ticker.runAside([&] { output.commit(); });
    percent.reach(100);
    return digest;
}

int CabinetWriter::threadCount() const {
    if (options_.threads > 0) {
        return options_.threads;
    }
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace tavor
