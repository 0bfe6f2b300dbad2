#include "DeflateBlockWriter.h"

#include <algorithm>
#include <array>

namespace tavor::test {

namespace {

constexpr int EndOfBlock = 256;
constexpr int CodeLengthCodeLength = 4;
constexpr std::array<int, 19> CodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                 11, 4,  12, 3, 13, 2, 14, 1, 15};

std::vector<int> lengthsBySymbol(const DeflateBlockWriter::Lengths& lengths, int atLeast) {
    const int size = lengths.empty() ? atLeast : std::max(atLeast, lengths.rbegin()->first + 1);
    std::vector<int> bySymbol(std::size_t(size), 0);
    for (const auto& [symbol, length] : lengths) {
        bySymbol[std::size_t(symbol)] = length;
    }
    return bySymbol;
}

// Canonical Huffman codes as deflate assigns them: shorter codes first, then by symbol.
std::map<int, std::uint32_t> canonicalCodes(const DeflateBlockWriter::Lengths& lengths) {
    std::array<std::uint32_t, 16> count{};
    for (const auto& entry : lengths) {
        ++count[std::size_t(entry.second)];
    }
    std::array<std::uint32_t, 16> next{};
    std::uint32_t code = 0;
    for (std::size_t length = 1; length < next.size(); ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    std::map<int, std::uint32_t> codes;
    for (const auto& [symbol, length] : lengths) {
        codes[symbol] = next[std::size_t(length)]++;
    }
    return codes;
}

} // namespace

void DeflateBlockWriter::addStoredBlock(bool final, const QByteArray& bytes) {
    put(final ? 1 : 0, 1);
    put(0, 2);
    bitCount_ = bytes_.size() * 8;
    const auto size = std::uint32_t(bytes.size());
    put(size, 16);
    put(~size, 16);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    bitCount_ = bytes_.size() * 8;
}

void DeflateBlockWriter::addDynamicBlock(bool final, const Lengths& literals,
                                         const Lengths& distances,
                                         const std::vector<Symbol>& symbols) {
    const std::vector<int> literalLengths = lengthsBySymbol(literals, EndOfBlock + 1);
    const std::vector<int> distanceLengths = lengthsBySymbol(distances, 1);
    put(final ? 1 : 0, 1);
    put(2, 2);
    put(std::uint32_t(literalLengths.size() - 257), 5);
    put(std::uint32_t(distanceLengths.size() - 1), 5);
    put(std::uint32_t(CodeLengthOrder.size() - 4), 4);
    // The code lengths go out as they are (no repeats): lengths 0 to 15 all take
    // four bits, which makes both that code and its canonical codes trivial.
    for (const int symbol : CodeLengthOrder) {
        put(symbol < 16 ? CodeLengthCodeLength : 0, 3);
    }
    for (const std::vector<int>* lengths : {&literalLengths, &distanceLengths}) {
        for (const int length : *lengths) {
            putCode(std::uint32_t(length), CodeLengthCodeLength);
        }
    }
    const std::map<int, std::uint32_t> literalCodes = canonicalCodes(literals);
    const std::map<int, std::uint32_t> distanceCodes = canonicalCodes(distances);
    auto send = [&](const Symbol& symbol) {
        const Lengths& lengths = symbol.fromDistances ? distances : literals;
        const std::map<int, std::uint32_t>& codes =
            symbol.fromDistances ? distanceCodes : literalCodes;
        putCode(codes.at(symbol.value), lengths.at(symbol.value));
        put(symbol.extraBits, symbol.extraBitCount);
    };
    for (const Symbol& symbol : symbols) {
        send(symbol);
    }
    send(literalOrLength(EndOfBlock));
}

// Deflate packs values from their least significant bit on...
void DeflateBlockWriter::put(std::uint32_t value, int count) {
    for (int bit = 0; bit < count; ++bit, ++bitCount_) {
        if (bitCount_ % 8 == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() |= std::uint8_t(((value >> bit) & 1) << (bitCount_ % 8));
    }
}

// ...but Huffman codes from their most significant bit on.
void DeflateBlockWriter::putCode(std::uint32_t code, int length) {
    for (int bit = length - 1; bit >= 0; --bit) {
        put((code >> bit) & 1, 1);
    }
}

} // namespace tavor::test
