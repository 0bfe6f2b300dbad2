#include "GifWriter.h"

namespace {

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// Codes packed least significant bit first, as GIF wants them.
class BitPacker {
public:
    void put(int code, int width) {
        buffer_ |= quint32(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.append(char(buffer_ & 0xff));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0)
            out_.append(char(buffer_ & 0xff));
        return out_;
    }

private:
    QByteArray out_;
    quint32 buffer_ = 0;
    int bits_ = 0;
};

int transparentIndexOf(const QList<QRgb>& colours) {
    for (int i = 0; i < colours.size(); ++i) {
        if (qAlpha(colours[i]) < 128)
            return i;
    }
    return -1;
}

} // namespace

QByteArray GifWriter::encode(const QImage& indexed) {
    const QList<QRgb> colours = indexed.colorTable();
    int tableBits = 1;
    while ((1 << tableBits) < colours.size())
        ++tableBits;
    const int transparentIndex = transparentIndexOf(colours);

    QByteArray out("GIF89a");
    appendWord(out, indexed.width());
    appendWord(out, indexed.height());
    out.append(char(0x80 | ((tableBits - 1) << 4) | (tableBits - 1))); // global table follows
    out.append(char(0));                                               // background colour
    out.append(char(0));                                               // square pixels
    out.append(colourTable(colours, tableBits));
    if (transparentIndex >= 0) {
        out.append("\x21\xf9\x04\x01", 4); // graphic control: transparency on
        appendWord(out, 0);
        out.append(char(transparentIndex));
        out.append(char(0));
    }
    out.append(char(0x2c)); // image descriptor: whole screen, no local table
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, indexed.width());
    appendWord(out, indexed.height());
    out.append(char(0));
    const int codeSize = std::max(2, tableBits);
    out.append(char(codeSize));
    out.append(subBlocks(pixelData(indexed, codeSize, transparentIndex)));
    out.append(char(0x3b)); // trailer
    return out;
}

QByteArray GifWriter::colourTable(const QList<QRgb>& colours, int tableBits) {
    QByteArray table;
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb colour = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        table.append(char(qRed(colour)));
        table.append(char(qGreen(colour)));
        table.append(char(qBlue(colour)));
    }
    return table;
}

// After a clear code the decoder's table holds 2^codeSize + 2 codes and grows by
// one with every code after the first; clearing before it reaches 2^(codeSize+1)
// keeps the width at codeSize + 1.
QByteArray GifWriter::pixelData(const QImage& indexed, int codeSize, int transparentIndex) {
    const int clearCode = 1 << codeSize;
    const int width = codeSize + 1;
    const int codesPerRun = clearCode - 3; // one short of the limit, for lenient decoders
    BitPacker packer;
    int sinceClear = codesPerRun;
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == codesPerRun) {
                packer.put(clearCode, width);
                sinceClear = 0;
            }
            int index = indexed.pixelIndex(x, y);
            if (transparentIndex >= 0 && qAlpha(indexed.color(index)) < 128)
                index = transparentIndex;
            packer.put(index, width);
            ++sinceClear;
        }
    }
    packer.put(clearCode + 1, width); // end of information
    return packer.finish();
}

QByteArray GifWriter::subBlocks(const QByteArray& data) {
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    return out;
}
