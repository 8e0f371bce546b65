#pragma once

#include "Class/ImageViews/ILViewWebCache.h"

#include <QWidget>

// Linux has no map framework: the annotation view is a plain view that draws its image centred at
// its size, so the loading family below has a view to load into. Nothing map-specific exists.
class MKAnnotationView : public QWidget {
    Q_OBJECT

public:
    explicit MKAnnotationView(QWidget* parent = nullptr);

    const ILImageRef& image() const { return image_; }
    void setImage(const ILImageRef& image);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ILImageRef image_;
};

// Loading an annotation view's image by URL; the image is set through the view's setImage.
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url);
void il_setImageWithURL(
    MKAnnotationView* view, const foundation::Ref<foundation::URL>& url, const ILImageRef& placeholder);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context);
void il_setImageWithURL(
    MKAnnotationView* view, const foundation::Ref<foundation::URL>& url, ILExternalCompletionBlock completed);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILExternalCompletionBlock completed);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILExternalCompletionBlock completed);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, ILImageLoaderProgressBlock progress,
    ILExternalCompletionBlock completed);
void il_setImageWithURL(MKAnnotationView* view, const foundation::Ref<foundation::URL>& url,
    const ILImageRef& placeholder, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILExternalCompletionBlock completed);
