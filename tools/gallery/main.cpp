// tavor-gallery FOLDER: draws the controls as the window shows them and saves
// the pictures in FOLDER, to look at after a change (`make gallery`).

#include "AnimationGallery.h"
#include "GalleryFolder.h"
#include "OrvLogGallery.h"
#include "ProgressGallery.h"
#include "resources/FontMapping.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavor-gallery FOLDER\n");
        return 2;
    }
    tavor::FontMapping::install();
    tavor::GalleryFolder folder(QString::fromLocal8Bit(argv[1]));
    tavor::OrvLogGallery::draw(folder);
    tavor::ProgressGallery::draw(folder);
    tavor::AnimationGallery::draw(folder);
    return folder.allSaved() ? 0 : 1;
}
