// Draws the program's application icon and writes it as PNG files in the hicolor
// layout under the folder given on the command line:
// <folder>/hicolor/<n>x<n>/apps/tavor-backup.png for every size the desktop asks for.
// The icon is a drive with a green arrow pointing into it: "copy onto the drive".
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <array>

namespace {

constexpr std::array Sizes = {16, 24, 32, 48, 64, 128, 256};
// Every shape is drawn on a 256-unit square and scaled to the picture's size.
constexpr qreal Design = 256.0;

void drawDrive(QPainter& painter) {
    QLinearGradient body(0, 120, 0, 232);
    body.setColorAt(0.0, QColor(0x5B, 0x6E, 0x86));
    body.setColorAt(1.0, QColor(0x2E, 0x3A, 0x4B));
    painter.setPen(QPen(QColor(0x1F, 0x27, 0x33), 6));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(20, 124, 216, 108), 22, 22);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1F, 0x27, 0x33));
    painter.drawRoundedRect(QRectF(44, 196, 112, 14), 7, 7);
    painter.setBrush(QColor(0x4C, 0xE0, 0x5A));
    painter.drawEllipse(QPointF(200, 203), 11, 11);
}

void drawArrow(QPainter& painter) {
    QPainterPath arrow;
    arrow.moveTo(100, 12);
    arrow.lineTo(156, 12);
    arrow.lineTo(156, 84);
    arrow.lineTo(196, 84);
    arrow.lineTo(128, 160);
    arrow.lineTo(60, 84);
    arrow.lineTo(100, 84);
    arrow.closeSubpath();

    QLinearGradient fill(0, 12, 0, 160);
    fill.setColorAt(0.0, QColor(0x7D, 0xE8, 0x7D));
    fill.setColorAt(1.0, QColor(0x1F, 0xA8, 0x2E));
    painter.setPen(QPen(QColor(0x13, 0x6B, 0x1D), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawPath(arrow);
}

QImage icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Design, size / Design);
    drawDrive(painter);
    drawArrow(painter);
    return image;
}

bool write(const QDir& root, int size) {
    const QString folder = root.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
    const QString path = folder + QStringLiteral("/tavor-backup.png");
    if (QDir().mkpath(folder) && icon(size).save(path, "PNG"))
        return true;
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavor-app-icon FOLDER\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int size : Sizes) {
        if (!write(root, size))
            return 1;
    }
    return 0;
}
