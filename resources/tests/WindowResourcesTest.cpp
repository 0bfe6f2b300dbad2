#include "resources/WindowResources.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

namespace {

QImage load(const QString& path, QByteArray* format = nullptr) {
    tavorInitWindowResources();
    QImageReader reader(path);
    if (format)
        *format = reader.format();
    return reader.read();
}

QByteArray rawBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The window shows these at fixed sizes: a picture of another size or one
// missing from the program would be stretched or leave a hole.
TEST(WindowResources, PicturesAreCompiledInWithTheirDesignedSizes) {
    struct Expected {
        QString path;
        QSize size;
        QByteArray format;
    };
    for (const Expected& picture :
         {Expected{tavor::WindowPictures::Banner, {117, 256}, "bmp"},
          Expected{tavor::WindowPictures::Icon, {32, 32}, "png"},
          Expected{tavor::WindowPictures::HardDisk, {17, 11}, "gif"},
          Expected{tavor::WindowPictures::RemovableDrive, {17, 11}, "gif"}}) {
        QByteArray format;
        const QImage image = load(picture.path, &format);
        ASSERT_FALSE(image.isNull()) << picture.path.toStdString();
        EXPECT_EQ(image.size(), picture.size) << picture.path.toStdString();
        EXPECT_EQ(format, picture.format) << picture.path.toStdString();
    }
}

// The banner is a 24-bit bitmap and the icon a 256-colour one, as designed.
TEST(WindowResources, BannerIs24BitAndIconHas256Colours) {
    const QByteArray banner = rawBytes(tavor::WindowPictures::Banner);
    ASSERT_GE(banner.size(), 30);
    EXPECT_EQ(quint8(banner[28]) | quint8(banner[29]) << 8, 24) << "bits per pixel";

    const QImage icon = load(tavor::WindowPictures::Icon);
    EXPECT_EQ(icon.format(), QImage::Format_Indexed8);
    EXPECT_LE(icon.colorCount(), 256);
}

// List icons lie on the list's own background: their corners must be
// transparent, their middle opaque, and the two must not be the same picture.
TEST(WindowResources, DriveIconsAreTransparentAroundAndDistinct) {
    const QImage hardDisk = load(tavor::WindowPictures::HardDisk);
    const QImage removable = load(tavor::WindowPictures::RemovableDrive);
    for (const QImage& icon : {hardDisk, removable}) {
        ASSERT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(16, 10)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(10, 5)), 255);
    }
    EXPECT_NE(hardDisk.convertToFormat(QImage::Format_ARGB32),
              removable.convertToFormat(QImage::Format_ARGB32));
}
