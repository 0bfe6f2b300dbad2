#include "GalleryFolder.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

namespace tavor {

GalleryFolder::GalleryFolder(QString path) : path_(std::move(path)) {
    QDir().mkpath(path_);
}

void GalleryFolder::shoot(QWidget& widget, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const QString file = QDir(path_).filePath(name + QStringLiteral(".png"));
    if (widget.grab().save(file)) {
        std::printf("%s\n", qPrintable(file));
    } else {
        std::fprintf(stderr, "tavor-gallery: cannot write %s\n", qPrintable(file));
        allSaved_ = false;
    }
}

} // namespace tavor
