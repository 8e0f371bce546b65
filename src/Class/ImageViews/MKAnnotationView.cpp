#include "Class/ImageViews/MKAnnotationView.h"

#include "Platform/Graphics/Image.h"

#include <QPainter>
#include <QPointer>

using foundation::Ref;

MKAnnotationView::MKAnnotationView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void MKAnnotationView::setImage(const ILImageRef& image)
{
    image_ = image;
    updateGeometry();
    update();
}

QSize MKAnnotationView::sizeHint() const
{
    return image_ ? image_->size().toSize() : QSize(0, 0);
}

void MKAnnotationView::paintEvent(QPaintEvent*)
{
    if (!image_)
        return;
    const QImage pixels = image_->image();
    const QSizeF size = pixels.deviceIndependentSize();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size), pixels);
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url)
{
    il_setImageWithURL(view, url, nullptr, 0, ILExternalCompletionBlock());
}

void il_setImageWithURL(
    MKAnnotationView* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder)
{
    il_setImageWithURL(view, url, placeholder, 0, ILExternalCompletionBlock());
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options)
{
    il_setImageWithURL(view, url, placeholder, options, ILImageLoaderProgressBlock(), nullptr);
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context)
{
    il_setImageWithURL(view, url, placeholder, options, context, nullptr, nullptr);
}

void il_setImageWithURL(
    MKAnnotationView* view, const Ref<foundation::URL>& url, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, nullptr, 0, std::move(completed));
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, 0, std::move(completed));
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, ILImageLoaderProgressBlock(), std::move(completed));
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed)
{
    il_setImageWithURL(view, url, placeholder, options, nullptr, std::move(progress), std::move(completed));
}

void il_setImageWithURL(MKAnnotationView* view, const Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed)
{
    ILSetImageBlock set = [weak = QPointer<MKAnnotationView>(view)](
                              const ILImageRef& image, const auto&, ILCacheType, const auto&) {
        if (weak)
            weak->setImage(image);
    };
    il_internalSetImageWithURL(view, url, placeholder, options, context, std::move(set), std::move(progress),
        il_externalCompletion(std::move(completed)));
}
