#include "Class/UIKit/MLHudAlertWindow.h"

#include "Class/UIKit/MLHudLoadingIndicator.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <chrono>

namespace {
constexpr int kIconSide = 36;
constexpr int kPadding = 20;
constexpr int kMinWidth = 160;
constexpr int kMaxWidth = 320;
constexpr double kFrameSeconds = 1.0 / 60;
} // namespace

MLHudAlertWindow::MLHudAlertWindow(QWidget* parent)
    : QWidget(parent)
    , iconView_(new QLabel(this))
    , messageField_(new QLabel(this))
    , loadingIndicator_(new MLHudLoadingIndicator(this))
    , opacity_(new QGraphicsOpacityEffect(this))
{
    iconView_->setScaledContents(true);
    iconView_->setFixedSize(kIconSide, kIconSide);
    messageField_->setWordWrap(true);
    messageField_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font = messageField_->font();
    font.setPointSizeF(13);
    messageField_->setFont(font);
    loadingIndicator_->setFixedSize(kIconSide, kIconSide);
    loadingIndicator_->hide();
    opacity_->setOpacity(0);
    setGraphicsEffect(opacity_);
    setAttribute(Qt::WA_TranslucentBackground);
    fitToContent();
}

MLHudAlertWindow::~MLHudAlertWindow()
{
    stopFade();
}

void MLHudAlertWindow::setCornerRadius(float radius)
{
    cornerRadius_ = radius;
    update();
}

double MLHudAlertWindow::alphaValue() const
{
    return opacity_->opacity();
}

void MLHudAlertWindow::setAlphaValue(double alpha)
{
    opacity_->setOpacity(alpha);
}

void MLHudAlertWindow::stopFade()
{
    if (auto fade = std::exchange(fade_, nullptr))
        fade->cancel();
}

void MLHudAlertWindow::animateAlphaTo(double target)
{
    stopFade();
    const double from = alphaValue();
    const auto start = dispatch::Clock::current()->now();
    QPointer<MLHudAlertWindow> self(this);
    fade_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kFrameSeconds, kFrameSeconds,
                                          [self, from, target, start] {
        if (!self)
            return;
        const std::chrono::duration<double> elapsed = dispatch::Clock::current()->now() - start;
        // Frames land on the clock's tick, so the last one may fall a hair before the end.
        double progress = elapsed.count() / kFadeSeconds;
        if (progress > 1.0 - 1e-6)
            progress = 1.0;
        self->setAlphaValue(from + (target - from) * progress);
        if (progress < 1.0)
            return;
        self->stopFade();
        if (target <= 0)
            self->hide();
    });
    fade_->start();
}

void MLHudAlertWindow::fitToContent()
{
    const QFontMetrics metrics(messageField_->font());
    const int textWidth = metrics.horizontalAdvance(messageField_->text());
    const int width = std::clamp(textWidth + 2 * kPadding, kMinWidth, kMaxWidth);
    const int textArea = width - 2 * kPadding;
    const int textHeight = metrics.boundingRect(QRect(0, 0, textArea, 10000), Qt::TextWordWrap, messageField_->text()).height();
    const int height = kPadding + kIconSide + 12 + std::max(textHeight, metrics.height()) + kPadding;
    setFixedSize(width, height);
    iconView_->move((width - kIconSide) / 2, kPadding);
    loadingIndicator_->move((width - kIconSide) / 2, kPadding);
    messageField_->setGeometry(kPadding, kPadding + kIconSide + 12, textArea, height - kPadding - kIconSide - 12 - kPadding);
}

void MLHudAlertWindow::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
    painter.fillPath(path, Qt::black);
}

void MLHudAlertWindow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (onClick)
        onClick();
}

void MLHudAlertWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}
