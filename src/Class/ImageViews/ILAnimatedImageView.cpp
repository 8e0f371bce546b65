#include "Class/ImageViews/ILAnimatedImageView.h"

#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILAnimatedImageProtocol.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/Image.h"

#include <QGuiApplication>
#include <QScreen>

using foundation::Id;
using foundation::Ref;

namespace {

// An animated image's frames, as the player asks for them.
class AnimatedImageFrames final : public ILAnimatedImagePlayerFrames {
public:
    AnimatedImageFrames(ILImageRef image, const ILAnimatedImageProtocol* provider)
        : image_(std::move(image))
        , provider_(provider)
    {
    }
    std::size_t frameCount() const override { return provider_->animatedImageFrameCount(); }
    std::size_t loopCount() const override { return provider_->animatedImageLoopCount(); }
    ILImageRef frameAtIndex(std::size_t index) const override
    {
        return provider_->animatedImageFrameAtIndex(index);
    }
    double durationAtIndex(std::size_t index) const override
    {
        return provider_->animatedImageDurationAtIndex(index);
    }
    double scale() const override { return image_->scale(); }
    bool isIncremental() const override { return il_isIncremental(image_); }
    Ref<foundation::Data> data() const override { return provider_->animatedImageData(); }

private:
    ILImageRef image_; // keeps the provider alive
    const ILAnimatedImageProtocol* provider_;
};

double screenRefreshPeriod()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen ? screen->refreshRate() : 0;
    return rate > 1 ? 1.0 / rate : 1.0 / 60;
}

} // namespace

ILAnimatedImageView::ILAnimatedImageView(QWidget* parent)
    : ImageView(parent)
{
    player_.setRefreshPeriod(screenRefreshPeriod());
    player_.frameChanged = [this] { update(); };
}

ILAnimatedImageView::~ILAnimatedImageView()
{
    player_.frameChanged = nullptr;
}

ILAnimatedImageView* ILAnimatedImageView::imageViewWithImage(const ILImageRef& image, QWidget* parent)
{
    auto* view = new ILAnimatedImageView(parent);
    if (image)
        view->resize(image->size().toSize());
    view->setImage(image);
    return view;
}

void ILAnimatedImageView::setImage(const ILImageRef& image)
{
    if (image == this->image())
        return;
    ImageView::setImage(image);
    const auto* provider = dynamic_cast<const ILAnimatedImageProtocol*>(image.get());
    player_.setImage(image, provider ? std::make_shared<AnimatedImageFrames>(image, provider) : nullptr);
    updatePlayback();
}

void ILAnimatedImageView::setAnimates(bool animates)
{
    ImageView::setAnimates(animates);
    if (animates)
        startAnimating();
    else
        stopAnimating();
}

void ILAnimatedImageView::startAnimating()
{
    player_.startAnimating();
}

void ILAnimatedImageView::stopAnimating()
{
    player_.stopAnimating();
}

bool ILAnimatedImageView::isAnimating() const
{
    return player_.isAnimating();
}

void ILAnimatedImageView::updatePlayback()
{
    ImageView::updatePlayback();
    player_.setVisible(canPlay());
}

QImage ILAnimatedImageView::frameToDraw() const
{
    if (player_.hasFrames() && player_.currentFrame())
        return player_.currentFrame()->image();
    return ImageView::frameToDraw();
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url)
{
    il_setImageWithURL(view, url, nullptr, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(
    ILAnimatedImageView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder)
{
    il_setImageWithURL(view, url, placeholder, 0, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options)
{
    il_setImageWithURL(view, url, placeholder, options, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context)
{
    il_setImageWithURL(view, url, placeholder, options, context, nullptr, nullptr);
}

void il_setImageWithURL(
    ILAnimatedImageView* view, const Ref<foundation::URL>& url, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, nullptr, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, 0, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, nullptr, std::move(progress), std::move(completed));
}

void il_setImageWithURL(ILAnimatedImageView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed)
{
    const ILContext animated = il_contextWith(context, ILWebContextAnimatedImageClass,
        Id(foundation::ClassValue::create(ILAnimatedImage::classObject())));
    il_internalSetImageWithURL(view, url, placeholder, options, animated, nullptr, std::move(progress),
        il_externalCompletion(std::move(completed)));
}
