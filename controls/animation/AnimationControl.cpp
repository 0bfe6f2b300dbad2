#include "controls/animation/AnimationControl.h"

#include "base/Error.h"
#include "formats/avi/AviClip.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace tavor {

AnimationControl::AnimationControl(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &AnimationControl::advance);
}

void AnimationControl::Open(const QString& path) {
    Close();
    const AviClip clip = AviClip::fromFile(path);
    QList<QImage> frames = clip.decodeFrames();
    // Rounded to whole milliseconds; 66,667 us plays every 67 ms.
    const qint64 interval = (clip.microSecondsPerFrame() + 500) / 1000;
    timer_->setInterval(static_cast<int>(std::clamp<qint64>(interval, 1, 60 * 1000)));
    frames_.reserve(frames.size());
    for (const QImage& frame : frames)
        frames_.append(frame.convertToFormat(QImage::Format_RGB32));
    update();
    if (autoPlay_)
        Play();
}

void AnimationControl::Play() {
    if (!frames_.isEmpty())
        timer_->start();
}

void AnimationControl::Stop() {
    timer_->stop();
}

void AnimationControl::Seek(int frame) {
    if (frame < 0 || frame >= frameCount())
        throw Error(ErrorNumber::InvalidProcedureCall, QStringLiteral("Invalid procedure call"));
    current_ = frame;
    update();
}

void AnimationControl::Close() {
    timer_->stop();
    frames_.clear();
    current_ = 0;
    update();
}

bool AnimationControl::isPlaying() const {
    return timer_->isActive();
}

int AnimationControl::frameInterval() const {
    return frames_.isEmpty() ? 0 : timer_->interval();
}

void AnimationControl::advance() {
    if (frames_.isEmpty())
        return;
    current_ = (current_ + 1) % frameCount();
    update();
}

void AnimationControl::paintEvent(QPaintEvent*) {
    if (frames_.isEmpty())
        return;
    const QImage& frame = frames_.at(current_);
    QPainter painter(this);
    painter.drawImage((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
}

} // namespace tavor
