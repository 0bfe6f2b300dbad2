#include "cabinet/CabinetStreamCheck.h"

#include "cabinet/CabinetFormat.h"
#include "cabinet/CabinetLayout.h"

#include <algorithm>

namespace tavor {

namespace {

using cabinet::DataHeaderSize;

const QString Mismatch = QStringLiteral("records sizes that do not match its contents");
// Where the folder record keeps the offset of the first data block and the count.
constexpr std::size_t FirstBlockOffset = cabinet::HeaderSize;
constexpr std::size_t BlockCountOffset = cabinet::HeaderSize + 4;
// Where the first data block may start: after the records and a name's end at the
// nearest, and within the first page whatever the name.
constexpr std::uint32_t MinDataStart =
    cabinet::HeaderSize + cabinet::FolderSize + cabinet::FileRecordSize + 1;
constexpr std::uint32_t MaxDataStart = 4096;

} // namespace

QString CabinetStreamCheck::take(const std::uint8_t* data, std::size_t size) {
    taken_ += std::int64_t(size);
    while (size > 0 && problem_.isEmpty()) {
        const std::size_t used =
            dataStart_ == 0 ? takeRecords(data, size) : fill(data, size, DataHeaderSize);
        data += used;
        size -= used;
        if (dataStart_ == 0 || pending_.size() < DataHeaderSize) {
            continue;
        }
        const std::size_t payload = cabinet::load16(pending_.data() + 4);
        const std::size_t more = fill(data, size, DataHeaderSize + payload);
        data += more;
        size -= more;
        if (pending_.size() == DataHeaderSize + payload) {
            problem_ = blockProblem();
            pending_.clear();
        }
    }
    return problem_;
}

// Keeps the records until the folder record tells where the blocks start.
std::size_t CabinetStreamCheck::takeRecords(const std::uint8_t* data, std::size_t size) {
    if (pending_.size() < BlockCountOffset) {
        return fill(data, size, BlockCountOffset);
    }
    const std::uint32_t start = cabinet::load32(pending_.data() + FirstBlockOffset);
    if (start < MinDataStart || start > MaxDataStart) {
        problem_ = QStringLiteral("is not a valid cabinet");
        return size;
    }
    const std::size_t used = fill(data, size, start);
    if (pending_.size() == start) {
        dataStart_ = start;
        pending_.clear();
    }
    return used;
}

// Adds to what is pending until it holds wanted bytes; returns how many it took.
std::size_t CabinetStreamCheck::fill(const std::uint8_t* data, std::size_t size,
                                     std::size_t wanted) {
    const std::size_t used = std::min(size, wanted - std::min(wanted, pending_.size()));
    pending_.insert(pending_.end(), data, data + used);
    return used;
}

QString CabinetStreamCheck::blockProblem() {
    const std::uint8_t* record = pending_.data();
    const std::uint16_t payload = cabinet::load16(record + 4);
    const std::uint16_t size = cabinet::load16(record + 6);
    if (cabinet::load32(record) == 0)
        return QStringLiteral("has a data block without a checksum");
    if (sawShortBlock_ || payload == 0 || size == 0 || size > cabinet::BlockSize)
        return Mismatch;
    sawShortBlock_ = size != cabinet::BlockSize;
    const std::uint32_t sum =
        cabinet::checksum(record + 4, 4, cabinet::checksum(record + DataHeaderSize, payload, 0));
    if (sum != cabinet::load32(record))
        return QStringLiteral("has a data block that fails its checksum");
    const std::span<const std::uint8_t> unpacked =
        decoder_.decode(record + DataHeaderSize, payload, size);
    if (unpacked.empty())
        return QStringLiteral("has a data block that cannot be unpacked");
    unpacked_.add(unpacked.data(), unpacked.size());
    ++blocks_;
    return {};
}

QString CabinetStreamCheck::finish(const QByteArray& records, std::int64_t fileSize) const {
    if (!problem_.isEmpty())
        return problem_;
    if (const QString problem = CabinetLayout::recordsProblem(records, fileSize);
        !problem.isEmpty())
        return problem;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(records.constData());
    const std::uint32_t filesOffset = cabinet::load32(bytes + 16);
    const bool whole = records.size() == dataStart_ && taken_ == fileSize && pending_.empty() &&
                       cabinet::load32(bytes + FirstBlockOffset) == dataStart_;
    if (!whole || cabinet::load16(bytes + BlockCountOffset) != blocks_ ||
        cabinet::load32(bytes + filesOffset) != unpacked_.length())
        return Mismatch;
    return {};
}

} // namespace tavor
