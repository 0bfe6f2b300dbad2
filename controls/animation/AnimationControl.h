#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

class QTimer;

namespace tavor {

// Plays a silent RLE8 AVI clip in a loop at the clip's own frame rate, each frame
// centred and unscaled. The whole clip is decoded when it is opened, so painting
// only draws a ready picture.
class AnimationControl : public QWidget {
    Q_OBJECT

public:
    explicit AnimationControl(QWidget* parent = nullptr);

    // Opens a clip file (a Qt resource path works too) and, with auto-play on,
    // starts it. A missing, malformed or cut-off clip raises tavor::Error and
    // leaves the control empty.
    void Open(const QString& path);
    void Play();
    void Stop();
    // Shows one frame; a frame outside the clip raises tavor::Error.
    void Seek(int frame);
    void Close();

    bool autoPlay() const { return autoPlay_; }
    void setAutoPlay(bool on) { autoPlay_ = on; }
    bool isPlaying() const;
    int currentFrame() const { return current_; }
    int frameCount() const { return static_cast<int>(frames_.size()); }
    // The clip's frame period in milliseconds (0 when nothing is open).
    int frameInterval() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private Q_SLOTS:
    void advance();

private:
    QTimer* timer_;
    QList<QImage> frames_;
    int current_ = 0;
    bool autoPlay_ = false;
};

} // namespace tavor
