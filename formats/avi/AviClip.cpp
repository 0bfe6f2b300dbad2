#include "formats/avi/AviClip.h"

#include "base/Error.h"
#include "formats/avi/Rle8Decoder.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace tavor {

namespace {

constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;
constexpr int MaxSide = 2048;
constexpr quint32 BiRle8 = 1;
constexpr qsizetype MainHeaderBytes = 56;
constexpr qsizetype StreamHeaderBytes = 48;
constexpr qsizetype BitmapHeaderBytes = 40;
constexpr qsizetype IndexEntryBytes = 16;

// A chunk's four-character id and where its data lies in the file.
struct Chunk {
    QByteArray id;
    qsizetype data = 0;
    qsizetype size = 0;
    qsizetype end() const { return data + size; }
};

[[noreturn]] void malformed(const QString& why) {
    throw Error(AviClip::InvalidFileFormat, why);
}

// Callers check that the bytes exist.
quint32 le32(const QByteArray& bytes, qsizetype at) {
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint16 le16(const QByteArray& bytes, qsizetype at) {
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint16(b[0] | b[1] << 8);
}

QByteArray fourcc(const QByteArray& bytes, qsizetype at) {
    return bytes.mid(at, 4);
}

// The chunks laid end to end in [begin, end); each must fit inside.
QList<Chunk> chunksIn(const QByteArray& bytes, qsizetype begin, qsizetype end) {
    QList<Chunk> chunks;
    qsizetype at = begin;
    while (end - at >= 8) {
        const qsizetype size = le32(bytes, at + 4);
        if (size > end - at - 8)
            malformed(QStringLiteral("The clip is cut off."));
        chunks.append({fourcc(bytes, at), at + 8, size});
        at += 8 + size + (size & 1);
    }
    if (at < end)
        malformed(QStringLiteral("The clip is cut off."));
    return chunks;
}

bool isList(const QByteArray& bytes, const Chunk& chunk, const char* type) {
    return chunk.id == "LIST" && chunk.size >= 4 && fourcc(bytes, chunk.data) == type;
}

QList<Chunk> listBody(const QByteArray& bytes, const Chunk& list) {
    return chunksIn(bytes, list.data + 4, list.end());
}

std::optional<Chunk> findList(const QByteArray& bytes, const QList<Chunk>& chunks,
                              const char* type) {
    for (const Chunk& chunk : chunks)
        if (isList(bytes, chunk, type))
            return chunk;
    return std::nullopt;
}

std::optional<Chunk> findChunk(const QList<Chunk>& chunks, const char* id) {
    for (const Chunk& chunk : chunks)
        if (chunk.id == id)
            return chunk;
    return std::nullopt;
}

// The first video stream: its two-digit number, header and format chunks.
struct VideoStream {
    QByteArray number;
    Chunk header;
    Chunk format;
};

VideoStream findVideoStream(const QByteArray& bytes, const QList<Chunk>& headerList) {
    int streamNumber = 0;
    for (const Chunk& chunk : headerList) {
        if (!isList(bytes, chunk, "strl"))
            continue;
        const QList<Chunk> parts = listBody(bytes, chunk);
        const auto header = findChunk(parts, "strh");
        const auto format = findChunk(parts, "strf");
        if (header && format && header->size >= StreamHeaderBytes &&
            fourcc(bytes, header->data) == "vids")
            return {QByteArray::number(streamNumber).rightJustified(2, '0'), *header, *format};
        ++streamNumber;
    }
    malformed(QStringLiteral("The clip has no video stream."));
}

bool isFrameId(const QByteArray& id, const QByteArray& stream) {
    return id.startsWith(stream) && (id.endsWith("dc") || id.endsWith("db"));
}

void walkMovie(const QByteArray& bytes, const QList<Chunk>& chunks, const QByteArray& stream,
               QList<QByteArray>& frames) {
    for (const Chunk& chunk : chunks) {
        if (isList(bytes, chunk, "rec "))
            walkMovie(bytes, listBody(bytes, chunk), stream, frames);
        else if (isFrameId(chunk.id, stream))
            frames.append(bytes.mid(chunk.data, chunk.size));
    }
}

// Frames named by the index. Offsets count from the movie list's type or, in some
// writers, from the file's start; the first frame entry tells which.
QList<QByteArray> framesFromIndex(const QByteArray& bytes, const Chunk& index, const Chunk& movie,
                                  const QByteArray& stream) {
    QList<std::pair<qsizetype, qsizetype>> entries; // offset, size
    for (qsizetype at = index.data; index.end() - at >= IndexEntryBytes; at += IndexEntryBytes)
        if (isFrameId(fourcc(bytes, at), stream))
            entries.append({le32(bytes, at + 8), le32(bytes, at + 12)});
    if (entries.isEmpty())
        return {};
    const qsizetype first = movie.data + 4;
    const auto chunkFits = [&](qsizetype at) {
        return at >= first && at <= movie.end() - 8 && isFrameId(fourcc(bytes, at), stream);
    };
    const qsizetype base = chunkFits(movie.data + entries.first().first) ? movie.data : 0;
    QList<QByteArray> frames;
    for (const auto& [offset, size] : entries) {
        const qsizetype at = base + offset;
        if (!chunkFits(at) || le32(bytes, at + 4) != size || size > movie.end() - at - 8)
            malformed(QStringLiteral("The clip's index does not match its frames."));
        frames.append(bytes.mid(at + 8, size));
    }
    return frames;
}

} // namespace

AviClip AviClip::fromFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw Error(ErrorNumber::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::PermissionDenied, QStringLiteral("Cannot read %1").arg(path));
    if (file.size() > MaxFileBytes)
        malformed(QStringLiteral("The clip is too large."));
    return fromBytes(file.readAll());
}

AviClip AviClip::fromBytes(const QByteArray& bytes) {
    if (bytes.size() < 12 || fourcc(bytes, 0) != "RIFF" || fourcc(bytes, 8) != "AVI ")
        malformed(QStringLiteral("The file is not an AVI clip."));
    const qsizetype riffSize = le32(bytes, 4);
    if (riffSize < 4 || riffSize > bytes.size() - 8)
        malformed(QStringLiteral("The clip is cut off."));
    const QList<Chunk> top = chunksIn(bytes, 12, 8 + riffSize);

    const auto headerList = findList(bytes, top, "hdrl");
    const auto movie = findList(bytes, top, "movi");
    if (!headerList || !movie)
        malformed(QStringLiteral("The clip lacks its header or movie list."));
    const QList<Chunk> headers = listBody(bytes, *headerList);
    const auto mainHeader = findChunk(headers, "avih");
    if (!mainHeader || mainHeader->size < MainHeaderBytes)
        malformed(QStringLiteral("The clip lacks its main header."));
    const VideoStream video = findVideoStream(bytes, headers);

    const Chunk& format = video.format;
    if (format.size < BitmapHeaderBytes)
        malformed(QStringLiteral("The clip's picture format is cut off."));
    const qsizetype formatSize = le32(bytes, format.data);
    const auto width = static_cast<qint32>(le32(bytes, format.data + 4));
    const auto height = static_cast<qint32>(le32(bytes, format.data + 8));
    const quint16 bitCount = le16(bytes, format.data + 14);
    const quint32 compression = le32(bytes, format.data + 16);
    const quint32 usedColours = le32(bytes, format.data + 32);
    if (bitCount != 8 || compression != BiRle8)
        malformed(QStringLiteral("The clip is not coded as RLE8."));
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide)
        malformed(QStringLiteral("The clip's picture size is not usable."));
    const qsizetype colours = usedColours == 0 ? 256 : usedColours;
    if (formatSize < BitmapHeaderBytes || formatSize > format.size || colours > 256 ||
        colours * 4 > format.size - formatSize)
        malformed(QStringLiteral("The clip's palette is cut off."));

    AviClip clip;
    clip.width_ = width;
    clip.height_ = height;
    for (qsizetype i = 0; i < colours; ++i) {
        const qsizetype at = format.data + formatSize + 4 * i;
        clip.palette_.append(qRgb(uchar(bytes[at + 2]), uchar(bytes[at + 1]), uchar(bytes[at])));
    }

    clip.microSecondsPerFrame_ = le32(bytes, mainHeader->data);
    const qint64 scale = le32(bytes, video.header.data + 20);
    const qint64 rate = le32(bytes, video.header.data + 24);
    if (clip.microSecondsPerFrame_ == 0 && scale > 0 && rate > 0)
        clip.microSecondsPerFrame_ = scale * 1000000 / rate;
    if (clip.microSecondsPerFrame_ <= 0)
        malformed(QStringLiteral("The clip has no frame rate."));

    if (const auto index = findChunk(top, "idx1"))
        clip.frames_ = framesFromIndex(bytes, *index, *movie, video.number);
    if (clip.frames_.isEmpty())
        walkMovie(bytes, listBody(bytes, *movie), video.number, clip.frames_);
    if (clip.frames_.isEmpty())
        malformed(QStringLiteral("The clip has no frames."));
    if (qint64(clip.frames_.size()) * width * height > MaxDecodedPixels)
        malformed(QStringLiteral("The clip is too large."));
    return clip;
}

QList<QImage> AviClip::decodeFrames() const {
    Rle8Decoder decoder(width_, height_);
    QList<QImage> images;
    images.reserve(frames_.size());
    for (const QByteArray& frame : frames_) {
        decoder.decode(frame);
        images.append(decoder.toImage(palette_));
    }
    return images;
}

} // namespace tavor
