// Writes the progress bar's two pictures as PNG files into the folder given on
// the command line: block.png (one 6 x 13 block) and strip.png (the 40 x 13
// sliding strip of five blocks).
#include <QDir>
#include <QImage>
#include <QTextStream>
#include <array>

namespace {

constexpr int BlockWidth = 6;
constexpr int PictureHeight = 13;
constexpr int StripBlocks = 5;
constexpr int StripGap = 2;
constexpr int StripWidth = 1 + StripBlocks * BlockWidth + (StripBlocks - 1) * StripGap + 1;

// The block's vertical gradient, top row first; each row is one colour.
constexpr std::array<QRgb, PictureHeight> BlockRows = {
    0xAAE8A8, 0x98E893, 0x7DE87D, 0x62DE67, 0x50DE52, 0x35D435, 0x2CD42E,
    0x2CD42E, 0x2CD42E, 0x3ED443, 0x59DE60, 0x74DE76, 0x74DE76,
};
// The strip's blocks end in a lighter bottom row.
constexpr QRgb StripBottomRow = 0x8FE893;
constexpr QRgb White = 0xFFFFFF;

QRgb opaque(QRgb rgb) {
    return 0xFF000000u | rgb;
}

QImage blockPicture() {
    QImage image(BlockWidth, PictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < PictureHeight; ++y) {
        for (int x = 0; x < BlockWidth; ++x)
            image.setPixel(x, y, opaque(BlockRows[y]));
    }
    return image;
}

// Columns: one white, then five blocks separated by two white columns, then one white.
bool isStripBlockColumn(int x) {
    const int inner = x - 1;
    return x >= 1 && x < StripWidth - 1 && inner % (BlockWidth + StripGap) < BlockWidth;
}

QImage stripPicture() {
    QImage image(StripWidth, PictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < PictureHeight; ++y) {
        const QRgb row = y == PictureHeight - 1 ? StripBottomRow : BlockRows[y];
        for (int x = 0; x < StripWidth; ++x)
            image.setPixel(x, y, opaque(isStripBlockColumn(x) ? row : White));
    }
    return image;
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG"))
        return true;
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavor-progress-images <output folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }
    const bool ok = save(blockPicture(), folder, QStringLiteral("block.png")) &&
                    save(stripPicture(), folder, QStringLiteral("strip.png"));
    return ok ? 0 : 1;
}
