#include "formats/elf/ElfFileVersion.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavor {

namespace {

constexpr std::uint32_t SectionNoBits = 8;
constexpr std::uint32_t ExtendedIndex = 0xffff;
// Tables beyond these sizes are not ones that a linker wrote; they are not read.
constexpr std::uint64_t MaxSections = 1u << 20;
constexpr std::uint64_t MaxNameTableBytes = 16u << 20;

// An open file read at offsets, each read bounded by the file's size.
class ElfInput {
public:
    explicit ElfInput(const QString& path) {
        // Non-blocking, so that a FIFO or device under the name cannot stall the reader.
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat status {};
        if (fd_ >= 0 && ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode))
            size_ = static_cast<std::uint64_t>(status.st_size);
    }
    ~ElfInput() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ElfInput(const ElfInput&) = delete;
    ElfInput& operator=(const ElfInput&) = delete;

    bool readable() const { return size_ > 0; }

    std::optional<std::vector<unsigned char>> read(std::uint64_t offset,
                                                   std::uint64_t count) const {
        if (count > size_ || offset > size_ - count)
            return std::nullopt;
        std::vector<unsigned char> bytes(count);
        std::uint64_t done = 0;
        while (done < count) {
            const ssize_t got =
                ::pread(fd_, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
            if (got <= 0)
                return std::nullopt;
            done += static_cast<std::uint64_t>(got);
        }
        return bytes;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Field reads in the file's byte order.
class ElfLayout {
public:
    ElfLayout(bool is64, bool bigEndian) : is64_(is64), bigEndian_(bigEndian) {}

    bool is64() const { return is64_; }
    std::uint64_t headerSize() const { return is64_ ? 64 : 52; }
    std::uint64_t sectionHeaderSize() const { return is64_ ? 64 : 40; }

    std::uint64_t field(const unsigned char* at, int width) const {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            const int index = bigEndian_ ? i : width - 1 - i;
            value = (value << 8) | at[index];
        }
        return value;
    }
    // A field that is 4 bytes in ELF32 and 8 in ELF64.
    std::uint64_t word(const unsigned char* at) const { return field(at, is64_ ? 8 : 4); }

private:
    bool is64_;
    bool bigEndian_;
};

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

Section sectionAt(const ElfLayout& layout, const unsigned char* entry) {
    Section section;
    section.name = static_cast<std::uint32_t>(layout.field(entry, 4));
    section.type = static_cast<std::uint32_t>(layout.field(entry + 4, 4));
    if (layout.is64()) {
        section.offset = layout.field(entry + 24, 8);
        section.size = layout.field(entry + 32, 8);
        section.link = static_cast<std::uint32_t>(layout.field(entry + 40, 4));
    } else {
        section.offset = layout.field(entry + 16, 4);
        section.size = layout.field(entry + 20, 4);
        section.link = static_cast<std::uint32_t>(layout.field(entry + 24, 4));
    }
    return section;
}

std::optional<ElfLayout> layoutOf(const std::vector<unsigned char>& ident) {
    if (ident[0] != 0x7f || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F')
        return std::nullopt;
    if ((ident[4] != 1 && ident[4] != 2) || (ident[5] != 1 && ident[5] != 2))
        return std::nullopt;
    return ElfLayout(ident[4] == 2, ident[5] == 2);
}

std::optional<std::vector<Section>> readSections(const ElfInput& input, const ElfLayout& layout,
                                                 std::uint32_t& nameTableIndex) {
    const auto header = input.read(0, layout.headerSize());
    if (!header)
        return std::nullopt;
    const unsigned char* h = header->data();
    const std::uint64_t tableOffset = layout.word(h + (layout.is64() ? 0x28 : 0x20));
    const int tail = layout.is64() ? 0x3a : 0x2e;
    const std::uint64_t entrySize = layout.field(h + tail, 2);
    std::uint64_t count = layout.field(h + tail + 2, 2);
    nameTableIndex = static_cast<std::uint32_t>(layout.field(h + tail + 4, 2));
    if (tableOffset == 0 || entrySize < layout.sectionHeaderSize())
        return std::nullopt;

    // With many sections the count and the name table's index live in section 0.
    const auto first = input.read(tableOffset, layout.sectionHeaderSize());
    if (!first)
        return std::nullopt;
    const Section zero = sectionAt(layout, first->data());
    if (count == 0)
        count = zero.size;
    if (nameTableIndex == ExtendedIndex)
        nameTableIndex = zero.link;
    if (count == 0 || count > MaxSections)
        return std::nullopt;

    const auto table = input.read(tableOffset, count * entrySize);
    if (!table)
        return std::nullopt;
    std::vector<Section> sections;
    sections.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i)
        sections.push_back(sectionAt(layout, table->data() + i * entrySize));
    return sections;
}

bool isVersionText(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9.]{1,64}$"));
    return pattern.match(text).hasMatch();
}

QString versionIn(const ElfInput& input, const Section& section) {
    if (section.type == SectionNoBits || section.size > ElfFileVersion::MaxSectionBytes)
        return {};
    const auto bytes = input.read(section.offset, section.size);
    if (!bytes)
        return {};
    std::size_t length = 0;
    while (length < bytes->size() && (*bytes)[length] != 0)
        ++length;
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(bytes->data()), qsizetype(length));
    return isVersionText(text) ? text : QString();
}

} // namespace

QString ElfFileVersion::read(const QString& path) {
    const ElfInput input(path);
    if (!input.readable())
        return {};
    const auto ident = input.read(0, 16);
    if (!ident)
        return {};
    const auto layout = layoutOf(*ident);
    if (!layout)
        return {};
    std::uint32_t nameTableIndex = 0;
    const auto sections = readSections(input, *layout, nameTableIndex);
    if (!sections || nameTableIndex >= sections->size())
        return {};
    const Section& names = (*sections)[nameTableIndex];
    if (names.type == SectionNoBits || names.size > MaxNameTableBytes)
        return {};
    const auto nameBytes = input.read(names.offset, names.size);
    if (!nameBytes)
        return {};

    static const QByteArray wanted(TAVOR_VERSION_SECTION);
    for (const Section& section : *sections) {
        // The name must lie wholly inside the name table, its terminator included.
        if (section.name > nameBytes->size() ||
            nameBytes->size() - section.name < std::size_t(wanted.size()) + 1)
            continue;
        const auto* name = nameBytes->data() + section.name;
        if (std::equal(wanted.begin(), wanted.end(), name) && name[wanted.size()] == 0)
            return versionIn(input, section);
    }
    return {};
}

} // namespace tavor
