#include "support/AviWriter.h"

#include <algorithm>

namespace {
constexpr quint32 HasIndex = 0x10;
constexpr quint32 IndexList = 0x01;
constexpr quint32 IndexKeyFrame = 0x10;
constexpr quint32 BiRle8 = 1;
} // namespace

void AviWriter::put32(QByteArray& out, quint32 value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char(value >> shift & 0xFF));
}

void AviWriter::put16(QByteArray& out, quint16 value) {
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

QByteArray AviWriter::chunk(const char* id, const QByteArray& data) {
    QByteArray out(id, 4);
    put32(out, quint32(data.size()));
    out.append(data);
    if (data.size() & 1)
        out.append('\0');
    return out;
}

QByteArray AviWriter::list(const char* type, const QByteArray& body) {
    return chunk("LIST", QByteArray(type, 4) + body);
}

QByteArray AviWriter::mainHeader(const Video& video, quint32 largestFrame) {
    QByteArray out;
    const quint32 framesPerSecond = 1000000 / video.microSecondsPerFrame + 1;
    put32(out, video.microSecondsPerFrame);
    put32(out, largestFrame * framesPerSecond); // max bytes per second
    put32(out, 0);                              // padding granularity
    put32(out, HasIndex);
    put32(out, quint32(video.frames.size()));
    put32(out, 0); // initial frames
    put32(out, 1); // streams
    put32(out, largestFrame);
    put32(out, quint32(video.width));
    put32(out, quint32(video.height));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    return out;
}

QByteArray AviWriter::streamHeader(const Video& video, quint32 largestFrame) {
    QByteArray out("vidsMRLE", 8);
    put32(out, 0);                          // flags
    put16(out, 0);                          // priority
    put16(out, 0);                          // language
    put32(out, 0);                          // initial frames
    put32(out, video.microSecondsPerFrame); // scale / rate = seconds per frame
    put32(out, 1000000);
    put32(out, 0); // start
    put32(out, quint32(video.frames.size()));
    put32(out, largestFrame);
    put32(out, 0xFFFFFFFF); // default quality
    put32(out, 0);          // sample size: frames vary
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(video.width));
    put16(out, quint16(video.height));
    return out;
}

QByteArray AviWriter::bitmapFormat(const Video& video) {
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(video.width));
    put32(out, quint32(video.height)); // positive: rows bottom-up
    put16(out, 1);
    put16(out, 8);
    put32(out, BiRle8);
    put32(out, quint32(video.width * video.height));
    put32(out, 0);
    put32(out, 0);
    put32(out, quint32(video.palette.size()));
    put32(out, quint32(video.palette.size()));
    for (QRgb colour : video.palette) {
        out.append(char(qBlue(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qRed(colour)));
        out.append('\0');
    }
    return out;
}

QByteArray AviWriter::write(const Video& video) {
    quint32 largestFrame = 0;
    for (const QByteArray& frame : video.frames)
        largestFrame = std::max(largestFrame, quint32(frame.size()));

    const QByteArray headers =
        list("hdrl", chunk("avih", mainHeader(video, largestFrame)) +
                         list("strl", chunk("strh", streamHeader(video, largestFrame)) +
                                          chunk("strf", bitmapFormat(video))));

    // Index offsets count from the movie list's type, where `records` starts.
    QByteArray records("movi", 4);
    QByteArray index;
    for (const QByteArray& frame : video.frames) {
        const QByteArray frameChunk = chunk("00dc", frame);
        const QByteArray record = list("rec ", frameChunk);
        const auto recordAt = quint32(records.size());
        index.append("rec ", 4);
        put32(index, IndexList);
        put32(index, recordAt);
        put32(index, quint32(record.size() - 8));
        index.append("00dc", 4);
        put32(index, IndexKeyFrame);
        put32(index, recordAt + 12);
        put32(index, quint32(frame.size()));
        records.append(record);
    }
    const QByteArray body =
        QByteArray("AVI ", 4) + headers + chunk("LIST", records) + chunk("idx1", index);
    return chunk("RIFF", body);
}
