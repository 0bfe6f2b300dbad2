#include "support/Rle8Encoder.h"

#include <algorithm>

namespace {
constexpr int MaxRun = 255;
constexpr int MinAbsolute = 3; // shorter absolute runs are escape codes
} // namespace

QByteArray Rle8Encoder::encode(const QImage& indexed) {
    QByteArray out;
    for (int y = indexed.height() - 1; y >= 0; --y) {
        encodeRow(indexed.constScanLine(y), indexed.width(), out);
        out.append('\0');
        out.append(y == 0 ? '\1' : '\0'); // end of bitmap after the top row, else end of line
    }
    return out;
}

int Rle8Encoder::runLength(const uchar* row, int from, int width) {
    int end = from + 1;
    while (end < width && end - from < MaxRun && row[end] == row[from])
        ++end;
    return end - from;
}

void Rle8Encoder::encodeRow(const uchar* row, int width, QByteArray& out) {
    int x = 0;
    while (x < width) {
        const int run = runLength(row, x, width);
        if (run >= 2) {
            out.append(char(run));
            out.append(char(row[x]));
            x += run;
            continue;
        }
        int literal = 1;
        while (x + literal < width && literal < MaxRun && runLength(row, x + literal, width) < 2)
            ++literal;
        if (literal < MinAbsolute) {
            for (int i = 0; i < literal; ++i) {
                out.append('\1');
                out.append(char(row[x + i]));
            }
        } else {
            out.append('\0');
            out.append(char(literal));
            out.append(reinterpret_cast<const char*>(row + x), literal);
            if (literal & 1)
                out.append('\0');
        }
        x += literal;
    }
}
