#include "Class/ImageViews/ILWebActivityIndicator.h"

#include "Lib/ImageLoading/ILImageFilter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QPainter>
#include <QtMath>

namespace {

constexpr int kSpokes = 12;
constexpr double kStepSeconds = 1.0 / kSpokes;

} // namespace

ILActivitySpinner::ILActivitySpinner(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
}

ILActivitySpinner::~ILActivitySpinner()
{
    stopAnimation();
}

void ILActivitySpinner::setControlSize(ControlSize size)
{
    controlSize_ = size;
    updateGeometry();
    update();
}

void ILActivitySpinner::setWhite(bool white)
{
    white_ = white;
    update();
}

QSize ILActivitySpinner::sizeHint() const
{
    const int side = controlSize_ == ControlSize::Small ? 16 : 32;
    return QSize(side, side);
}

void ILActivitySpinner::startAnimation()
{
    if (timer_)
        return;
    timer_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kStepSeconds,
        kStepSeconds, [spinner = QPointer<ILActivitySpinner>(this)] {
            if (!spinner)
                return;
            spinner->step_ = (spinner->step_ + 1) % kSpokes;
            spinner->update();
        });
    timer_->start();
}

void ILActivitySpinner::stopAnimation()
{
    if (timer_)
        timer_->cancel();
    timer_.reset();
}

void ILActivitySpinner::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    QImage picture((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const double side = std::min(width(), height());
        painter.translate(width() / 2.0, height() / 2.0);
        QPen pen(QColor(90, 90, 90));
        pen.setWidthF(std::max(1.5, side / 10));
        pen.setCapStyle(Qt::RoundCap);
        for (int i = 0; i < kSpokes; ++i) {
            // The spoke at `step_` is the darkest; the ones behind it fade out.
            const int behind = (step_ - i + kSpokes) % kSpokes;
            QColor colour = pen.color();
            colour.setAlphaF(1.0 - 0.75 * behind / (kSpokes - 1));
            pen.setColor(colour);
            painter.setPen(pen);
            painter.save();
            painter.rotate(360.0 * i / kSpokes);
            painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.44));
            painter.restore();
            pen.setColor(QColor(90, 90, 90));
        }
    }
    if (white_) {
        const auto filter = ILColorControlsFilter::filter();
        filter->setBrightness(1);
        filter->setInputImage(picture);
        const QImage filtered = filter->outputImage();
        if (!filtered.isNull())
            picture = filtered;
    }
    QPainter(this).drawImage(QPointF(0, 0), picture);
}

ILWebActivityIndicator::ILWebActivityIndicator()
    : view_(new ILActivitySpinner)
{
    view_->setControlSize(ILActivitySpinner::ControlSize::Small);
    view_->sizeToFit();
    view_->hide();
}

ILWebActivityIndicator::~ILWebActivityIndicator()
{
    // A view no other view took in is this indicator's to delete.
    if (view_ && !view_->parent())
        delete view_.data();
}

void ILWebActivityIndicator::startAnimatingIndicator()
{
    if (!view_)
        return;
    view_->startAnimation();
    view_->show();
}

void ILWebActivityIndicator::stopAnimatingIndicator()
{
    if (!view_)
        return;
    view_->stopAnimation();
    view_->hide();
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::grayIndicator()
{
    return std::make_shared<ILWebActivityIndicator>();
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::grayLargeIndicator()
{
    auto indicator = grayIndicator();
    indicator->view_->setControlSize(ILActivitySpinner::ControlSize::Regular);
    indicator->view_->sizeToFit();
    return indicator;
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::whiteIndicator()
{
    auto indicator = std::make_shared<ILWebActivityIndicator>();
    indicator->view_->setWhite(true);
    return indicator;
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::whiteLargeIndicator()
{
    auto indicator = whiteIndicator();
    indicator->view_->setControlSize(ILActivitySpinner::ControlSize::Regular);
    indicator->view_->sizeToFit();
    return indicator;
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::largeIndicator()
{
    auto indicator = std::make_shared<ILWebActivityIndicator>();
    indicator->view_->setControlSize(ILActivitySpinner::ControlSize::Regular);
    indicator->view_->sizeToFit();
    return indicator;
}

std::shared_ptr<ILWebActivityIndicator> ILWebActivityIndicator::mediumIndicator()
{
    auto indicator = std::make_shared<ILWebActivityIndicator>();
    indicator->view_->setControlSize(ILActivitySpinner::ControlSize::Small);
    indicator->view_->sizeToFit();
    return indicator;
}
