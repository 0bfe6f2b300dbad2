#pragma once

#include <cstddef>
#include <cstdint>

namespace tavor {

// Walks a deflate stream block by block and checks that every Huffman code a
// dynamic block declares is complete. zlib accepts an empty or one-symbol
// distance code (a block without matches), but libmspack and cabextract refuse
// the whole data block, so such a stream must not go into a cabinet.
class DeflateStreamScanner {
public:
    // True when the stream decodes to its final block and every code is complete;
    // false for such a code and for any stream that is malformed or cut short.
    static bool everyCodeComplete(const std::uint8_t* data, std::size_t size);

private:
    struct Code;

    DeflateStreamScanner(const std::uint8_t* data, std::size_t size);

    bool scan();
    bool skipStoredBlock();
    bool scanDynamicBlock(bool final);
    bool skipSymbols(const Code& literals, const Code& distances);

    std::uint32_t peek() const;
    std::uint32_t peekAtEnd() const;
    std::uint32_t bits(int count);
    int decode(const Code& code);
    int decodeSlowly(const Code& code);
    bool overrun() const { return position_ > sizeInBits_; }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t sizeInBits_;
    std::size_t position_ = 0;
};

} // namespace tavor
