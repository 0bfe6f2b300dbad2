// Draws the window's pictures into a folder (resources/window):
//   tavor-window-art <folder>
#include "GifWriter.h"
#include "WindowArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

namespace {

bool writeGif(const QString& path, const QImage& image) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(GifWriter::encode(image)) > 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: tavor-window-art <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        err << "cannot create " << folder.path() << "\n";
        return 1;
    }
    const bool written =
        WindowArt::banner().save(folder.filePath(QStringLiteral("banner.bmp")), "BMP") &&
        WindowArt::windowIcon().save(folder.filePath(QStringLiteral("icon.png")), "PNG") &&
        writeGif(folder.filePath(QStringLiteral("harddisk.gif")), WindowArt::hardDisk()) &&
        writeGif(folder.filePath(QStringLiteral("removable.gif")), WindowArt::removableDrive());
    if (!written) {
        err << "cannot write the pictures into " << folder.path() << "\n";
        return 1;
    }
    return 0;
}
