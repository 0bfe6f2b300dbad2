#include "platform/api/TokenCipher.h"

#include <cstdint>

namespace tavor {

namespace {

constexpr int First = 0x20;
constexpr int Span = 95;

// xorshift32; one step per character position.
std::uint32_t nextKey(std::uint32_t state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace

QString TokenCipher::shifted(const QString& text, int direction) {
    QString result(text.size(), QChar());
    std::uint32_t state = 0x2F6B91D3u;
    for (qsizetype i = 0; i < text.size(); ++i) {
        state = nextKey(state);
        const int shift = 1 + static_cast<int>(state % (Span - 1));
        const int code = text.at(i).unicode();
        if (code < First || code >= First + Span) {
            result[i] = text.at(i);
            continue;
        }
        const int moved = ((code - First + direction * shift) % Span + Span) % Span;
        result[i] = QChar(First + moved);
    }
    return result;
}

QString TokenCipher::encipher(const QString& clear) {
    return shifted(clear, +1);
}

QString TokenCipher::decipher(const QString& token) {
    return shifted(token, -1);
}

} // namespace tavor
