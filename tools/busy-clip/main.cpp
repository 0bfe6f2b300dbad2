// Draws the busy clip and writes it as an RLE8 AVI file:
//   tavor-busy-clip <file>
#include "support/AviWriter.h"
#include "support/BusyClipArt.h"
#include "support/Rle8Encoder.h"

#include <QFile>
#include <QTextStream>

int main(int argc, char** argv) {
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: tavor-busy-clip <file>\n";
        return 2;
    }
    AviWriter::Video video;
    video.width = BusyClipArt::Width;
    video.height = BusyClipArt::Height;
    video.microSecondsPerFrame = 66667; // 15 frames per second
    video.palette = BusyClipArt::palette();
    for (int frame = 0; frame < BusyClipArt::FrameCount; ++frame)
        video.frames.append(Rle8Encoder::encode(BusyClipArt::frame(frame)));

    QFile file(QString::fromLocal8Bit(argv[1]));
    const QByteArray bytes = AviWriter::write(video);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        err << "cannot write " << file.fileName() << "\n";
        return 1;
    }
    return 0;
}
