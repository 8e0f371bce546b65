#pragma once

#include "Class/ImageViews/ILAnimatedImagePlayer.h"
#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ImageView.h"

// An image view that plays an animated image (an image whose class conforms to
// ILAnimatedImageProtocol, normally an ILAnimatedImage) frame by frame on a display link at the
// screen's refresh rate, decoding frames one at a time into a bounded buffer, and that keeps its
// place while a partial image being downloaded is replaced by a longer one. Any other image shows
// as ImageView shows it. It plays while visible and `animates` is on. Main thread only.
class ILAnimatedImageView : public ImageView {
    Q_OBJECT

public:
    explicit ILAnimatedImageView(QWidget* parent = nullptr);
    ~ILAnimatedImageView() override;

    // A view the size of the image (in points), showing it.
    static ILAnimatedImageView* imageViewWithImage(const ILImageRef& image, QWidget* parent = nullptr);

    using ImageView::setImage;
    void setImage(const ILImageRef& image) override;
    void setAnimates(bool animates) override;
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const;

    // The playback and its settings (loop count, buffer size, progressive loading, what a stop
    // resets).
    ILAnimatedImagePlayer& player() { return player_; }
    const ILAnimatedImagePlayer& player() const { return player_; }
    ILImageRef currentFrame() const { return player_.currentFrame(); }
    std::size_t currentFrameIndex() const { return player_.currentFrameIndex(); }
    std::size_t currentLoopCount() const { return player_.currentLoopCount(); }

protected:
    QImage frameToDraw() const override;
    void updatePlayback() override;

private:
    ILAnimatedImagePlayer player_;
};

// Loading an animated image view's image by URL: the load asks the decoders for an ILAnimatedImage
// (the context's "animatedImageClass"), which the view plays. The caller's context is not changed.
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url);
void il_setImageWithURL(
    ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url, const ILImageRef& placeholder);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    ILExternalCompletionBlock completed);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed);
void il_setImageWithURL(ILAnimatedImageView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed);
