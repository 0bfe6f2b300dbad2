#pragma once

#include <QString>

namespace tavor {

// The cipher of the stored tokens: a substitution over the 95 printable ASCII
// characters whose shift changes with the position, drawn from a keystream that is
// computed, never stored. Other characters pass through unchanged. Every printable
// character is shifted by 1 to 94, so a token never equals its clear text.
class TokenCipher {
public:
    static QString encipher(const QString& clear);
    static QString decipher(const QString& token);

private:
    static QString shifted(const QString& text, int direction);
};

} // namespace tavor
