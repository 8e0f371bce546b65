#include "Class/UIKit/MLHudLoadingIndicator.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QPainter>
#include <QPointer>

namespace {
constexpr int kSpokes = 12;
constexpr double kStepSeconds = 1.0 / kSpokes;
} // namespace

MLHudLoadingIndicator::MLHudLoadingIndicator(QWidget* parent)
    : QWidget(parent)
{
}

MLHudLoadingIndicator::~MLHudLoadingIndicator()
{
    stopAnimation();
}

void MLHudLoadingIndicator::startAnimation()
{
    if (timer_)
        return;
    QPointer<MLHudLoadingIndicator> self(this);
    timer_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kStepSeconds, kStepSeconds,
                                           [self] {
                                               if (!self)
                                                   return;
                                               self->phase_ = (self->phase_ + 1) % kSpokes;
                                               self->update();
                                           });
    timer_->start();
}

void MLHudLoadingIndicator::stopAnimation()
{
    if (auto timer = std::exchange(timer_, nullptr))
        timer->cancel();
}

void MLHudLoadingIndicator::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(Qt::white, side / 10.0, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current phase is brightest; the ones behind it fade.
        const int age = (phase_ - i + kSpokes) % kSpokes;
        QColor color(Qt::white);
        color.setAlphaF(1.0 - 0.75 * age / (kSpokes - 1));
        pen.setColor(color);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -side * 0.25), QPointF(0, -side * 0.45));
        painter.rotate(360.0 / kSpokes);
    }
}
