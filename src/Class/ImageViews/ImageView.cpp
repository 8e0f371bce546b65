#include "Class/ImageViews/ImageView.h"

#include "Class/ImageViews/ILImageConversion.h"
#include "Class/UIKit/KXImage.h"
#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/MainQueueDriver.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <QEasingCurve>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

namespace {

constexpr double kTransitionStep = 1.0 / 60;

// The duration of frame `index` as its type's animated coder reads it (0.1 s when none does).
double frameDuration(const graphics::BitmapImageRep& rep, std::size_t index)
{
    const double seconds = ILAnimatedImageRep::frameDuration(rep, index);
    return seconds > 0 ? seconds : 0.1;
}

double clockSeconds()
{
    return std::chrono::duration<double>(dispatch::Clock::current()->now().time_since_epoch()).count();
}

} // namespace

// A running transition: the frame shown before, how it leaves, and its progress.
class ImageViewTransitionState {
public:
    ImageView::TransitionKind kind = ImageView::TransitionKind::Fade;
    ImageView::TransitionEdge edge = ImageView::TransitionEdge::None;
    QImage from;
    QEasingCurve easing;
    double duration = 0;
    double elapsed = 0;
    std::optional<double> forced;
    std::shared_ptr<dispatch::TimerSource> timer;

    double progress() const
    {
        if (forced)
            return *forced;
        const double linear = duration <= 0 ? 1.0 : std::clamp(elapsed / duration, 0.0, 1.0);
        return easing.valueForProgress(linear);
    }
};

ImageView::ImageView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

ImageView::~ImageView() = default;

void ImageView::setImage(const KXImage& image)
{
    setImage(il_imageFromKXImage(image));
}

void ImageView::setImage(const ILImageRef& image)
{
    if (image == image_)
        return;
    previousFrame_ = currentFrameImage();
    image_ = image;
    resetPlayback();
    updateGeometry();
    update();
}

void ImageView::resetPlayback()
{
    ++generation_;
    playing_ = false;
    finishedLoops_ = false;
    frameIndex_ = 0;
    loopsDone_ = 0;
    frameCount_ = 1;
    loopCount_ = 0;
    frame_ = image_ ? image_->image() : QImage();
    const auto& rep = image_ ? image_->representation() : nullptr;
    if (rep && rep->source()) {
        const long long frames = rep->valueForProperty(graphics::bitmapProperty::frameCount).integerValue();
        frameCount_ = frames > 1 ? static_cast<std::size_t>(frames) : 1;
        loopCount_ = il_imageLoopCount(image_);
        // Without a size yet, the first step decides whether the frames fit.
        if (frameCount_ > 1 && !rect().isEmpty() && !framesFit(frameDecodeSize()))
            frameCount_ = 1;
    }
    updatePlayback();
}

bool ImageView::canPlay() const
{
    return animates_ && isVisible() && window() && window()->isVisible();
}

void ImageView::updatePlayback()
{
    const bool shouldPlay = frameCount_ > 1 && !finishedLoops_ && canPlay();
    if (shouldPlay == playing_)
        return;
    playing_ = shouldPlay;
    ++generation_;
    if (playing_)
        scheduleNextFrame();
}

void ImageView::scheduleNextFrame(double elapsed)
{
    const auto& rep = image_->representation();
    const double seconds = std::max(0.0, frameDuration(*rep, frameIndex_) - elapsed);
    dispatch::mainQueue().after(seconds, [view = QPointer<ImageView>(this), generation = generation_] {
        if (view)
            view->stepFrame(generation);
    });
}

void ImageView::stepFrame(std::uint64_t generation)
{
    if (generation != generation_ || !playing_ || !image_)
        return;
    std::size_t next = frameIndex_ + 1;
    if (next >= frameCount_) {
        ++loopsDone_;
        if (loopCount_ != 0 && loopsDone_ >= loopCount_) {
            // The last loop ends on its last frame.
            finishedLoops_ = true;
            playing_ = false;
            return;
        }
        next = 0;
    }
    if (!framesFit(frameDecodeSize())) {
        // Drawn larger than when it started: the first frame alone, still.
        frameCount_ = 1;
        playing_ = false;
        ++generation_;
        next = 0;
    }
    stepStarted_ = clockSeconds();
    decodeFrame(next);
}

void ImageView::decodeFrame(std::size_t index)
{
    const std::shared_ptr<graphics::ImageSource> source = image_->representation()->source();
    if (!source)
        return;
    const QSize size = frameDecodeSize();
    const QSizeF points = image_->size();
    auto reply = dispatch::guardedOnMain(
        this, [generation = generation_](ImageView& view, std::size_t decoded, QImage frame) {
            view.showDecodedFrame(generation, decoded, std::move(frame));
        });
    frameDecodingQueue().async([source, index, size, points, reply = std::move(reply)] {
        QImage frame = source->imageAtIndex(index, size);
        if (!frame.isNull() && points.width() > 0)
            frame.setDevicePixelRatio(frame.width() / points.width());
        reply(index, std::move(frame));
    });
}

void ImageView::showDecodedFrame(std::uint64_t generation, std::size_t index, QImage frame)
{
    if (generation != generation_ || !image_)
        return;
    frameIndex_ = index;
    if (!frame.isNull())
        frame_ = std::move(frame);
    update();
    if (playing_)
        scheduleNextFrame(clockSeconds() - stepStarted_);
}

QSize ImageView::frameDecodeSize() const
{
    const auto& rep = image_->representation();
    const QSize stored(rep->pixelsWide(), rep->pixelsHigh());
    const QRectF target = frameRect(image_->size(), QRectF(rect()));
    if (target.isEmpty())
        return ILThumbnailPixelSize(stored, QSize(), false);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(
        int(std::ceil(target.width() * ratio - 1e-6)), int(std::ceil(target.height() * ratio - 1e-6)));
    return pixels.expandedTo(QSize(1, 1)).boundedTo(stored);
}

bool ImageView::framesFit(QSize size) const
{
    const std::size_t frameBytes
        = std::size_t(std::max(size.width(), 0)) * std::size_t(std::max(size.height(), 0)) * 4;
    return frameBytes > 0 && frameCount_ <= graphics::imageLimits::maxFramesBytes / frameBytes;
}

dispatch::Queue& ImageView::frameDecodingQueue()
{
    // One queue for every view: at most one frame of all views is decoded at a time.
    static const dispatch::QueueRef queue = dispatch::makeSerialQueue("ImageView.frames");
    return *queue;
}

void ImageView::waitForFrameDecodes()
{
    frameDecodingQueue().sync([] {});
    while (dispatch::MainQueueDriver::drainMainQueue(1000)) { }
}

void ImageView::setAnimates(bool animates)
{
    animates_ = animates;
    updatePlayback();
}

void ImageView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updatePlayback();
}

void ImageView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updatePlayback();
}

void ImageView::setImageScaling(ImageScaling scaling)
{
    scaling_ = scaling;
    update();
}

void ImageView::setImageAlignment(ImageAlignment alignment)
{
    alignment_ = alignment;
    update();
}

void ImageView::setCornerRadius(double radius)
{
    cornerRadius_ = std::max(0.0, radius);
    update();
}

void ImageView::setBorderWidth(double width)
{
    borderWidth_ = std::max(0.0, width);
    update();
}

void ImageView::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

void ImageView::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

QImage ImageView::currentFrameImage() const
{
    return frameToDraw();
}

QImage ImageView::frameToDraw() const
{
    return frame_;
}

QSize ImageView::sizeHint() const
{
    if (!image_)
        return QSize(0, 0);
    const QSizeF size = image_->size();
    return QSize(qRound(size.width()), qRound(size.height()));
}

QRectF ImageView::frameRect(const QImage& frame, const QRectF& bounds) const
{
    if (frame.isNull())
        return {};
    return frameRect(frame.deviceIndependentSize(), bounds);
}

QRectF ImageView::frameRect(const QSizeF& natural, const QRectF& bounds) const
{
    if (natural.isEmpty() || bounds.isEmpty())
        return {};
    QSizeF size = natural;
    switch (scaling_) {
    case ImageScaling::AxesIndependently:
        return bounds;
    case ImageScaling::None:
        break;
    case ImageScaling::ProportionallyDown:
        if (natural.width() > bounds.width() || natural.height() > bounds.height())
            size = natural.scaled(bounds.size(), Qt::KeepAspectRatio);
        break;
    case ImageScaling::ProportionallyUpOrDown:
        size = natural.scaled(bounds.size(), Qt::KeepAspectRatio);
        break;
    case ImageScaling::ProportionallyFilling:
        size = natural.scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
        break;
    }
    double x = bounds.left() + (bounds.width() - size.width()) / 2;
    double y = bounds.top() + (bounds.height() - size.height()) / 2;
    switch (alignment_) {
    case ImageAlignment::Left:
    case ImageAlignment::TopLeft:
    case ImageAlignment::BottomLeft:
        x = bounds.left();
        break;
    case ImageAlignment::Right:
    case ImageAlignment::TopRight:
    case ImageAlignment::BottomRight:
        x = bounds.right() - size.width();
        break;
    default:
        break;
    }
    switch (alignment_) {
    case ImageAlignment::Top:
    case ImageAlignment::TopLeft:
    case ImageAlignment::TopRight:
        y = bounds.top();
        break;
    case ImageAlignment::Bottom:
    case ImageAlignment::BottomLeft:
    case ImageAlignment::BottomRight:
        y = bounds.bottom() - size.height();
        break;
    default:
        break;
    }
    return QRectF(QPointF(x, y), size);
}

QRectF ImageView::imageRect() const
{
    return frameRect(currentFrameImage(), QRectF(rect()));
}

void ImageView::drawFrame(QPainter& painter, const QImage& frame, const QRectF& bounds) const
{
    const QRectF target = frameRect(frame, bounds);
    if (target.isEmpty())
        return;
    if (bounds.contains(target)) {
        painter.drawImage(target, frame);
        return;
    }
    // A filling or unscaled image overflows: only its part inside the bounds shows (a transition
    // draws bounds moved inside the view, so the widget's own clip is not enough).
    painter.save();
    painter.setClipRect(bounds, Qt::IntersectClip);
    painter.drawImage(target, frame);
    painter.restore();
}

void ImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(rect());
    if (cornerRadius_ > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(bounds, cornerRadius_, cornerRadius_);
        painter.setClipPath(clip);
    }
    if (backgroundColor_.alpha() > 0)
        painter.fillRect(bounds, backgroundColor_);

    const QImage frame = currentFrameImage();
    const std::optional<double> progress = transitionProgress();
    if (!progress) {
        drawFrame(painter, frame, bounds);
    } else {
        const double p = *progress;
        const QImage& from = transition_->from;
        double dx = 0;
        double dy = 0;
        switch (transition_->edge) {
        case TransitionEdge::Left:
            dx = -bounds.width();
            break;
        case TransitionEdge::Right:
            dx = bounds.width();
            break;
        case TransitionEdge::Top:
            dy = -bounds.height();
            break;
        case TransitionEdge::Bottom:
            dy = bounds.height();
            break;
        case TransitionEdge::None:
            break;
        }
        switch (transition_->kind) {
        case TransitionKind::Fade: {
            // A true cross-fade: each picture weighted apart (Source with an opacity onto
            // transparency scales it), then the two added.
            const qreal ratio = devicePixelRatioF();
            const auto layer = [&](const QImage& picture, double weight) {
                QImage out((bounds.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
                out.setDevicePixelRatio(ratio);
                out.fill(Qt::transparent);
                QPainter into(&out);
                into.setRenderHint(QPainter::SmoothPixmapTransform);
                into.setCompositionMode(QPainter::CompositionMode_Source);
                into.setOpacity(weight);
                drawFrame(into, picture, QRectF(QPointF(0, 0), bounds.size()));
                return out;
            };
            QImage mix = layer(from, 1 - p);
            {
                QPainter add(&mix);
                add.setCompositionMode(QPainter::CompositionMode_Plus);
                add.drawImage(QPointF(0, 0), layer(frame, p));
            }
            painter.drawImage(bounds.topLeft(), mix);
            break;
        }
        case TransitionKind::Push:
            // The new image comes in from the edge and pushes the old one out the other side.
            drawFrame(painter, from, bounds.translated(-dx * p, -dy * p));
            drawFrame(painter, frame, bounds.translated(dx * (1 - p), dy * (1 - p)));
            break;
        case TransitionKind::Reveal:
            // The old image moves away from the edge and uncovers the new one.
            drawFrame(painter, frame, bounds);
            drawFrame(painter, from, bounds.translated(-dx * p, -dy * p));
            break;
        }
        painter.setOpacity(1);
    }
    if (borderWidth_ > 0 && borderColor_.alpha() > 0) {
        painter.setClipping(false);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(borderColor_, borderWidth_);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // A layer's border lies inside its bounds.
        const double inset = borderWidth_ / 2;
        const QRectF edge = bounds.adjusted(inset, inset, -inset, -inset);
        const double radius = std::max(0.0, cornerRadius_ - inset);
        painter.drawRoundedRect(edge, radius, radius);
    }
}

void ImageView::startTransition(
    TransitionKind kind, TransitionEdge edge, double duration, const QEasingCurve& easing)
{
    auto state = std::make_shared<ImageViewTransitionState>();
    state->kind = kind;
    state->edge = edge;
    state->from = previousFrame_;
    state->easing = easing;
    state->duration = duration;
    state->timer = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kTransitionStep,
        kTransitionStep, [view = QPointer<ImageView>(this)] {
            if (!view || !view->transition_)
                return;
            view->transition_->elapsed += kTransitionStep;
            if (view->transition_->elapsed >= view->transition_->duration && !view->transition_->forced) {
                // Let go of the state (and its timer) after this handler has returned.
                auto done = std::exchange(view->transition_, nullptr);
                done->timer->cancel();
                dispatch::mainQueue().async([done] {});
            }
            view->update();
        });
    if (transition_ && transition_->timer)
        transition_->timer->cancel();
    transition_ = std::move(state);
    transition_->timer->start();
    update();
}

std::optional<double> ImageView::transitionProgress() const
{
    if (!transition_)
        return std::nullopt;
    return transition_->progress();
}

void ImageView::setTransitionProgress(double progress)
{
    if (transition_) {
        transition_->forced = std::clamp(progress, 0.0, 1.0);
        update();
    }
}
