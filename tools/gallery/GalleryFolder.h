#pragma once

#include <QString>

class QWidget;

namespace tavor {

// The folder the gallery's pictures go to; remembers whether any could not be saved.
class GalleryFolder {
public:
    explicit GalleryFolder(QString path);

    // Shows the widget, grabs it and saves it as name.png.
    void shoot(QWidget& widget, const QString& name);

    bool allSaved() const { return allSaved_; }

private:
    QString path_;
    bool allSaved_ = true;
};

} // namespace tavor
