#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>
#include <vector>

namespace tavor::test {

// Writes a deflate stream block by block with Huffman code lengths chosen by hand,
// so that a test can make a stream of a given shape whatever the compressor of the
// day would emit for some input.
class DeflateBlockWriter {
public:
    // A code's lengths by symbol; a symbol not named has no code.
    using Lengths = std::map<int, int>;

    // One code sent in a block, then its extra bits (a length's or a distance's).
    struct Symbol {
        bool fromDistances = false;
        int value = 0;
        int extraBitCount = 0;
        std::uint32_t extraBits = 0;
    };
    static Symbol literalOrLength(int value, int extraBitCount = 0, std::uint32_t extraBits = 0) {
        return {false, value, extraBitCount, extraBits};
    }
    static Symbol distance(int value, int extraBitCount = 0, std::uint32_t extraBits = 0) {
        return {true, value, extraBitCount, extraBits};
    }

    void addStoredBlock(bool final, const QByteArray& bytes);
    // Sends the two codes' lengths (an empty distance code as one length of zero),
    // the symbols, then the end of the block.
    void addDynamicBlock(bool final, const Lengths& literals, const Lengths& distances,
                         const std::vector<Symbol>& symbols);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    void put(std::uint32_t value, int count);
    void putCode(std::uint32_t code, int length);

    std::vector<std::uint8_t> bytes_;
    std::size_t bitCount_ = 0;
};

} // namespace tavor::test
