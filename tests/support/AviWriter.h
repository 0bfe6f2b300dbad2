#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>

// Writes a silent RIFF AVI with one RLE8 video stream: header list, a movie list
// with one record per frame, and an index naming every record and frame.
class AviWriter {
public:
    struct Video {
        int width = 0;
        int height = 0;
        quint32 microSecondsPerFrame = 0;
        QList<QRgb> palette;
        QList<QByteArray> frames; // each a complete RLE8 frame
    };

    static QByteArray write(const Video& video);

private:
    static QByteArray chunk(const char* id, const QByteArray& data);
    static QByteArray list(const char* type, const QByteArray& body);
    static QByteArray mainHeader(const Video& video, quint32 largestFrame);
    static QByteArray streamHeader(const Video& video, quint32 largestFrame);
    static QByteArray bitmapFormat(const Video& video);
    static void put32(QByteArray& out, quint32 value);
    static void put16(QByteArray& out, quint16 value);
};
