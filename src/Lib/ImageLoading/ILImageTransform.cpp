#include "Lib/ImageLoading/ILImageTransform.h"

#include "Lib/ImageLoading/ILBitmapContext.h"
#include "Lib/ImageLoading/ILBoxBlur.h"
#include "Lib/ImageLoading/ILColor.h"
#include "Lib/ImageLoading/ILImageFilter.h"
#include "Lib/ImageLoading/ILLog.h"
#include "Lib/ImageLoading/ILRoundedPath.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageProperties.h"

#include <QPainter>
#include <QTransform>
#include <cfloat>
#include <cmath>

using foundation::Ref;
using graphics::Image;

namespace {

// The pixels behind an image, or a null QImage when there are none.
QImage pixelsOf(const Ref<Image>& image)
{
    return image && !image->isEmpty() ? image->image() : QImage();
}

// The drawing rectangle of an image of `imageSize` placed into `rect` by `mode`.
QRectF drawingRect(QRectF rect, QSizeF imageSize, ILScaleMode mode)
{
    rect = rect.normalized();
    if (mode != ILScaleModeAspectFit && mode != ILScaleModeAspectFill)
        return rect;
    const double w = std::fabs(imageSize.width());
    const double h = std::fabs(imageSize.height());
    const QPointF centre = rect.center();
    if (rect.width() < 0.01 || rect.height() < 0.01 || w < 0.01 || h < 0.01)
        return QRectF(centre, QSizeF(0, 0));
    const bool wider = w / h < rect.width() / rect.height();
    const double scale = (mode == ILScaleModeAspectFit) == wider ? rect.height() / h : rect.width() / w;
    QRectF result(0, 0, w * scale, h * scale);
    result.moveCenter(centre);
    return result;
}

// A premultiplied ARGB32 canvas of `width` × `height` pixels cleared to transparent; null when the
// decoders' limits refuse that size.
QImage transparentCanvas(double width, double height)
{
    if (!(width >= 1 && height >= 1 && width <= graphics::imageLimits::maxSide
            && height <= graphics::imageLimits::maxSide)
        || !graphics::imageLimits::allows(
            static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)))
        return {};
    QImage canvas(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (!canvas.isNull())
        canvas.fill(0u);
    return canvas;
}

// Runs `draw` in a bitmap context of the image's size and scale and answers the context's image.
template <class Draw> Ref<Image> drawnImage(QSizeF size, double scale, Draw draw)
{
    ILBitmapContextBegin(size, false, scale);
    Ref<Image> result;
    if (QPainter* painter = ILBitmapContextCurrent()) {
        painter->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        draw(*painter);
        result = ILBitmapContextImage();
    }
    ILBitmapContextEnd();
    return result;
}

// Reads the colour of the four bytes at `offset` of pixels in a format ILColorFromPixel knows.
QColor colorAt(const QImage& pixels, ILBitmapInfo info, int x, int y)
{
    const std::uint8_t* bytes = pixels.constScanLine(y) + static_cast<std::ptrdiff_t>(x) * 4;
    return ILColorFromPixel(std::span<const std::uint8_t, 4>(bytes, 4), info);
}

// The pixels in a layout ILColorFromPixel reads, with its bitmap info.
std::pair<QImage, ILBitmapInfo> readablePixels(const QImage& pixels)
{
    if (auto info = ILBitmapInfoForFormat(pixels.format()))
        return { pixels, *info };
    return { pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        *ILBitmapInfoForFormat(QImage::Format_ARGB32_Premultiplied) };
}

} // namespace

void il_drawInRect(const Ref<Image>& image, const QRectF& rect, ILScaleMode scaleMode, bool clipsToBounds)
{
    QPainter* painter = ILBitmapContextCurrent();
    const QImage pixels = pixelsOf(image);
    if (!painter || pixels.isNull())
        return;
    const QRectF target = drawingRect(rect, image->size(), scaleMode);
    if (target.width() == 0 || target.height() == 0)
        return;
    if (!clipsToBounds) {
        painter->drawImage(target, pixels);
        return;
    }
    painter->save();
    painter->setClipRect(rect.normalized(), Qt::IntersectClip);
    painter->drawImage(target, pixels);
    painter->restore();
}

Ref<Image> il_resizedImageWithSize(const Ref<Image>& image, QSizeF size, ILScaleMode scaleMode)
{
    if (!image || !(size.width() > 0) || !(size.height() > 0))
        return nullptr;
    return drawnImage(size, image->scale(),
        [&](QPainter&) { il_drawInRect(image, QRectF(QPointF(0, 0), size), scaleMode, false); });
}

Ref<Image> il_croppedImageWithRect(const Ref<Image>& image, QRectF rect)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return nullptr;
    const double scale = image->scale();
    const QRectF scaled(rect.x() * scale, rect.y() * scale, rect.width() * scale, rect.height() * scale);
    if (!(scaled.width() > 0) || !(scaled.height() > 0))
        return nullptr;
    const QRectF bounds(0, 0, pixels.width(), pixels.height());
    const QRectF inside = scaled.intersected(bounds);
    if (inside.isEmpty())
        return nullptr;
    const QRect whole(
        QPoint(static_cast<int>(std::floor(inside.left())), static_cast<int>(std::floor(inside.top()))),
        QPoint(static_cast<int>(std::ceil(inside.right())) - 1,
            static_cast<int>(std::ceil(inside.bottom())) - 1));
    return Image::create(pixels.copy(whole), scale);
}

Ref<Image> il_roundedCornerImageWithRadius(const Ref<Image>& image, double cornerRadius, unsigned corners,
    double borderWidth, const QColor& borderColor)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return nullptr;
    const double scale = image->scale();
    const QSizeF size = image->size();
    return drawnImage(size, scale, [&](QPainter& painter) {
        const QRectF rect(QPointF(0, 0), size);
        const double half = std::min(size.width(), size.height()) * 0.5;
        if (!(borderWidth < half))
            return;
        const QRectF inner = rect.adjusted(borderWidth, borderWidth, -borderWidth, -borderWidth);
        // A texture brush rather than a clip, so the rounded edge is antialiased.
        QBrush texture(pixels);
        texture.setTransform(
            QTransform::fromScale(size.width() / pixels.width(), size.height() / pixels.height()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(texture);
        painter.drawPath(il_bezierPathWithRoundedRect(inner, corners, cornerRadius));
        if (!borderColor.isValid() || !(borderWidth > 0))
            return;
        const double strokeInset = (std::floor(borderWidth * scale) + 0.5) / scale;
        const double strokeRadius = cornerRadius > scale * 0.5 ? cornerRadius - scale * 0.5 : 0;
        const QRectF strokeRect = rect.adjusted(strokeInset, strokeInset, -strokeInset, -strokeInset);
        QPen pen(borderColor);
        pen.setWidthF(borderWidth);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(il_bezierPathWithRoundedRect(strokeRect, corners, strokeRadius));
    });
}

Ref<Image> il_rotatedImageWithAngle(const Ref<Image>& image, double angle, bool fitSize)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return nullptr;
    const double w = pixels.width();
    const double h = pixels.height();
    // Positive angles turn counter-clockwise on screen, which is clockwise in Qt's y-down terms.
    const QTransform turn = QTransform().rotateRadians(-angle);
    const QRectF bounds = fitSize ? turn.mapRect(QRectF(0, 0, w, h)) : QRectF(0, 0, w, h);
    QImage canvas = transparentCanvas(std::trunc(bounds.width()), std::trunc(bounds.height()));
    if (canvas.isNull())
        return nullptr;
    {
        QPainter painter(&canvas);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.translate(canvas.width() / 2.0, canvas.height() / 2.0);
        painter.setTransform(turn, true);
        QImage unscaled = pixels;
        unscaled.setDevicePixelRatio(1);
        painter.drawImage(QRectF(-w / 2, -h / 2, w, h), unscaled);
    }
    return Image::create(canvas, image->scale());
}

Ref<Image> il_flippedImageWithHorizontal(const Ref<Image>& image, bool horizontal, bool vertical)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return nullptr;
    QImage canvas = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return nullptr;
    return Image::create(canvas.mirrored(horizontal, vertical), image->scale());
}

Ref<Image> il_tintedImageWithColor(const Ref<Image>& image, const QColor& color)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull() || !color.isValid())
        return nullptr;
    if (color.alphaF() <= FLT_EPSILON)
        return Image::create(pixels, image->scale());
    const QSizeF size = image->size();
    return drawnImage(size, image->scale(), [&](QPainter& painter) {
        const QRectF rect(QPointF(0, 0), size);
        painter.drawImage(rect, pixels);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(rect, color);
    });
}

QColor il_colorAtPoint(const Ref<Image>& image, QPointF point)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return {};
    if (!(point.x() >= 0 && point.y() >= 0 && point.x() < pixels.width() && point.y() < pixels.height()))
        return {};
    const auto [readable, info] = readablePixels(pixels);
    return colorAt(readable, info, static_cast<int>(point.x()), static_cast<int>(point.y()));
}

std::optional<std::vector<QColor>> il_colorsWithRect(const Ref<Image>& image, QRectF rect)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return std::nullopt;
    if (!(rect.width() > 0 && rect.height() > 0 && rect.left() >= 0 && rect.top() >= 0
            && rect.right() <= pixels.width() && rect.bottom() <= pixels.height()))
        return std::nullopt;
    const auto [readable, info] = readablePixels(pixels);
    const int left = static_cast<int>(rect.left());
    const int top = static_cast<int>(rect.top());
    const int right = static_cast<int>(std::ceil(rect.right()));
    const int bottom = static_cast<int>(std::ceil(rect.bottom()));
    std::vector<QColor> colors;
    colors.reserve(static_cast<std::size_t>(right - left) * static_cast<std::size_t>(bottom - top));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            colors.push_back(colorAt(readable, info, x, y));
    return colors;
}

Ref<Image> il_blurredImageWithRadius(const Ref<Image>& image, double blurRadius)
{
    if (!image || image->size().width() < 1 || image->size().height() < 1)
        return nullptr;
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull())
        return nullptr;
    if (blurRadius <= FLT_EPSILON)
        return image;
    const QImage buffer = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (buffer.isNull()) {
        // The allocation error code of the buffer functions the log line names.
        constexpr long kMemoryAllocationError = -21771;
        ILLog("UIImage+Transform error: vImageBuffer_InitWithCGImage returned error code %zi for inputImage: "
              "%@",
            kMemoryAllocationError, image);
        return nullptr;
    }
    const ILBoxBlurPlan plan = ILBoxBlurPlanForRadius(blurRadius * image->scale());
    const QImage blurred = ILBoxBlurImage(buffer, plan);
    if (blurred.isNull()) {
        constexpr long kMemoryAllocationError = -21771;
        ILLog("UIImage+Transform error: vImageBuffer_Init returned error code %zi for inputImage: %@",
            kMemoryAllocationError, image);
        return nullptr;
    }
    return Image::create(blurred, image->scale());
}

Ref<Image> il_filteredImageWithFilter(const Ref<Image>& image, const std::shared_ptr<ILImageFilter>& filter)
{
    const QImage pixels = pixelsOf(image);
    if (pixels.isNull() || !filter)
        return nullptr;
    filter->setInputImage(pixels);
    const QImage output = filter->outputImage();
    if (output.isNull())
        return nullptr;
    return Image::create(output, image->scale());
}
