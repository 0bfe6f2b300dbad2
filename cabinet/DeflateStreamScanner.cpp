#include "cabinet/DeflateStreamScanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace tavor {

namespace {

constexpr int MaxCodeLength = 15;
constexpr int FastBits = 10;
constexpr int LiteralSymbols = 288;
constexpr int DistanceSymbols = 32;
constexpr int EndOfBlock = 256;
constexpr int LengthSymbols = 29;
constexpr int Invalid = -1;

constexpr std::array<std::uint8_t, LengthSymbols> LengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, 30> DistanceExtraBits = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                            4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                            9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<std::uint8_t, 19> CodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

std::uint32_t reversed(std::uint32_t code, int length) {
    std::uint32_t result = 0;
    for (int bit = 0; bit < length; ++bit) {
        result = (result << 1) | ((code >> bit) & 1);
    }
    return result;
}

} // namespace

// A canonical Huffman code: codes up to FastBits long come from one table look-up,
// longer ones are decoded bit by bit from the counts.
struct DeflateStreamScanner::Code {
    std::array<std::uint16_t, MaxCodeLength + 1> count{};
    std::array<std::uint16_t, LiteralSymbols> symbol{};
    // symbol << 4 | length, zero where no code of FastBits bits or fewer starts.
    std::array<std::uint16_t, 1 << FastBits> fast{};
    bool complete = false;

    // Returns false when the lengths oversubscribe the code.
    bool build(const std::uint8_t* lengths, int symbols) {
        for (int sym = 0; sym < symbols; ++sym) {
            ++count[lengths[sym]];
        }
        count[0] = 0;
        int left = 1;
        for (int length = 1; length <= MaxCodeLength; ++length) {
            left = (left << 1) - count[length];
            if (left < 0) {
                return false;
            }
        }
        complete = left == 0;
        std::array<std::uint16_t, MaxCodeLength + 2> offset{};
        for (int length = 1; length <= MaxCodeLength; ++length) {
            offset[length + 1] = std::uint16_t(offset[length] + count[length]);
        }
        std::array<std::uint32_t, MaxCodeLength + 1> next{};
        for (int length = 1; length <= MaxCodeLength; ++length) {
            next[length] = (next[length - 1] + count[length - 1]) << 1;
        }
        for (int sym = 0; sym < symbols; ++sym) {
            const int length = lengths[sym];
            if (length == 0) {
                continue;
            }
            symbol[offset[length]++] = std::uint16_t(sym);
            const std::uint32_t code = next[length]++;
            if (length <= FastBits) {
                for (std::uint32_t slot = reversed(code, length); slot < fast.size();
                     slot += 1u << length) {
                    fast[slot] = std::uint16_t(sym << 4 | length);
                }
            }
        }
        return true;
    }
};

bool DeflateStreamScanner::everyCodeComplete(const std::uint8_t* data, std::size_t size) {
    return DeflateStreamScanner(data, size).scan();
}

DeflateStreamScanner::DeflateStreamScanner(const std::uint8_t* data, std::size_t size)
    : data_(data), size_(size), sizeInBits_(size * 8) {}

bool DeflateStreamScanner::scan() {
    for (;;) {
        const bool final = bits(1) != 0;
        const std::uint32_t type = bits(2);
        bool readable = false;
        if (type == 0) {
            readable = skipStoredBlock();
        } else if (type == 1) {
            static const auto fixed = [] {
                std::array<std::uint8_t, LiteralSymbols + DistanceSymbols> lengths{};
                lengths.fill(8);
                std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
                std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
                std::fill(lengths.begin() + LiteralSymbols, lengths.end(), 5);
                std::array<Code, 2> codes;
                codes[0].build(lengths.data(), LiteralSymbols);
                codes[1].build(lengths.data() + LiteralSymbols, DistanceSymbols);
                return codes;
            }();
            readable = final || skipSymbols(fixed[0], fixed[1]);
        } else if (type == 2) {
            readable = scanDynamicBlock(final);
        }
        if (!readable || overrun()) {
            return false;
        }
        if (final) {
            return true;
        }
    }
}

bool DeflateStreamScanner::skipStoredBlock() {
    position_ = (position_ + 7) & ~std::size_t(7);
    const std::uint32_t length = bits(16);
    const std::uint32_t complement = bits(16);
    if ((length ^ complement) != 0xFFFF) {
        return false;
    }
    position_ += std::size_t(length) * 8;
    return true;
}

bool DeflateStreamScanner::scanDynamicBlock(bool final) {
    const int literalCount = int(bits(5)) + 257;
    const int distanceCount = int(bits(5)) + 1;
    const int lengthCodeCount = int(bits(4)) + 4;
    std::array<std::uint8_t, CodeLengthOrder.size()> lengthCodeLengths{};
    for (int index = 0; index < lengthCodeCount; ++index) {
        lengthCodeLengths[CodeLengthOrder[std::size_t(index)]] = std::uint8_t(bits(3));
    }
    Code lengthCode;
    if (!lengthCode.build(lengthCodeLengths.data(), int(lengthCodeLengths.size())) ||
        !lengthCode.complete) {
        return false;
    }
    std::array<std::uint8_t, LiteralSymbols + DistanceSymbols> lengths{};
    const int total = literalCount + distanceCount;
    for (int index = 0; index < total;) {
        const int sym = decode(lengthCode);
        int repeat = 1;
        std::uint8_t value = std::uint8_t(sym);
        if (sym == 16) {
            if (index == 0) {
                return false;
            }
            value = lengths[std::size_t(index - 1)];
            repeat = 3 + int(bits(2));
        } else if (sym == 17) {
            value = 0;
            repeat = 3 + int(bits(3));
        } else if (sym == 18) {
            value = 0;
            repeat = 11 + int(bits(7));
        } else if (sym == Invalid) {
            return false;
        }
        if (index + repeat > total || overrun()) {
            return false;
        }
        for (; repeat > 0; --repeat) {
            lengths[std::size_t(index++)] = value;
        }
    }
    Code literals;
    Code distances;
    if (!literals.build(lengths.data(), literalCount) || !literals.complete ||
        !distances.build(lengths.data() + literalCount, distanceCount) || !distances.complete) {
        return false;
    }
    return final || skipSymbols(literals, distances);
}

bool DeflateStreamScanner::skipSymbols(const Code& literals, const Code& distances) {
    for (;;) {
        const int sym = decode(literals);
        if (sym == EndOfBlock) {
            return true;
        }
        if (sym == Invalid || overrun()) {
            return false;
        }
        if (sym > EndOfBlock) {
            const int lengthIndex = sym - EndOfBlock - 1;
            if (lengthIndex >= LengthSymbols) {
                return false;
            }
            position_ += LengthExtraBits[std::size_t(lengthIndex)];
            const int distance = decode(distances);
            if (distance == Invalid || distance >= int(DistanceExtraBits.size())) {
                return false;
            }
            position_ += DistanceExtraBits[std::size_t(distance)];
        }
    }
}

static_assert(std::endian::native == std::endian::little, "the scanner reads words as they lie");

// Called for every symbol skipped: kept inline in the loops that call it.
[[gnu::always_inline]] inline std::uint32_t DeflateStreamScanner::peek() const {
    // At least 25 bits from the position on. Away from the end, four bytes at once
    // (the stream is little-endian, as is the host).
    const std::size_t first = position_ >> 3;
    if (first + sizeof(std::uint32_t) > size_) [[unlikely]] {
        return peekAtEnd();
    }
    std::uint32_t window = 0;
    std::memcpy(&window, data_ + first, sizeof window);
    return window >> (position_ & 7);
}

// Bytes past the end read as zero.
std::uint32_t DeflateStreamScanner::peekAtEnd() const {
    std::uint32_t window = 0;
    const std::size_t first = position_ >> 3;
    for (std::size_t byte = 0; byte < 4 && first + byte < size_; ++byte) {
        window |= std::uint32_t(data_[first + byte]) << (8 * byte);
    }
    return window >> (position_ & 7);
}

std::uint32_t DeflateStreamScanner::bits(int count) {
    const std::uint32_t value = peek() & ((1u << count) - 1);
    position_ += std::size_t(count);
    return value;
}

[[gnu::always_inline]] inline int DeflateStreamScanner::decode(const Code& code) {
    const std::uint16_t entry = code.fast[peek() & ((1u << FastBits) - 1)];
    if (entry != 0) {
        position_ += entry & 0xF;
        return entry >> 4;
    }
    return decodeSlowly(code);
}

int DeflateStreamScanner::decodeSlowly(const Code& code) {
    int value = 0;
    int first = 0;
    int index = 0;
    for (int length = 1; length <= MaxCodeLength; ++length) {
        value |= int(bits(1));
        const int count = code.count[std::size_t(length)];
        if (value - count < first) {
            return code.symbol[std::size_t(index + value - first)];
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return Invalid;
}

} // namespace tavor
