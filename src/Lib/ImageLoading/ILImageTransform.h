#pragma once

#include "Platform/Foundation/Object.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <optional>
#include <vector>

namespace graphics {
class Image;
}
class ILImageFilter;

// How an image fills a rectangle: stretched to it, fitted inside it keeping its aspect, or covering
// it keeping its aspect (centred in both aspect modes).
enum ILScaleMode : unsigned {
    ILScaleModeFill = 0,
    ILScaleModeAspectFit = 1,
    ILScaleModeAspectFill = 2,
};

// Image operations of the transformers. Each returns a new image at the receiver's scale (the
// receiver never changes) or nil for unusable input: a nil or empty image, an empty or out-of-range
// rectangle, a canvas the decoders' limits would refuse. Geometry is in points, y downwards, except
// where pixels are said. All are safe on any thread: drawing goes through the calling thread's own
// bitmap contexts.

// Draws into the current bitmap context (nothing without one). A rectangle or image thinner than
// 0.01 draws nothing in the aspect modes; with clipping, nothing outside `rect` is touched.
void il_drawInRect(const foundation::Ref<graphics::Image>& image, const QRectF& rect, ILScaleMode scaleMode,
    bool clipsToBounds);

// A canvas of `size` (both sides above 0) with the image drawn in `scaleMode`.
foundation::Ref<graphics::Image> il_resizedImageWithSize(
    const foundation::Ref<graphics::Image>& image, QSizeF size, ILScaleMode scaleMode);

// The pixels under `rect` (points times the scale, widened to whole pixels and cut to the image);
// nil when nothing of the image is left.
foundation::Ref<graphics::Image> il_croppedImageWithRect(
    const foundation::Ref<graphics::Image>& image, QRectF rect);

// The image clipped to a rounded rectangle (`corners` of ILCornerMask) inset by the border width,
// with a border of `borderColor` stroked inside the edge when the colour is valid and the width
// above 0. A border of half the shorter side or more leaves a transparent canvas.
foundation::Ref<graphics::Image> il_roundedCornerImageWithRadius(
    const foundation::Ref<graphics::Image>& image, double cornerRadius, unsigned corners, double borderWidth,
    const QColor& borderColor);

// Turned by `angle` radians, counter-clockwise on screen for positive angles, about the centre.
// With `fitSize` the canvas grows to the turned bounds (π/2 gives h × w pixels); without it the
// canvas stays w × h and the corners are cut off.
foundation::Ref<graphics::Image> il_rotatedImageWithAngle(
    const foundation::Ref<graphics::Image>& image, double angle, bool fitSize);

// Mirrored left to right (`horizontal`) and/or top to bottom (`vertical`).
foundation::Ref<graphics::Image> il_flippedImageWithHorizontal(
    const foundation::Ref<graphics::Image>& image, bool horizontal, bool vertical);

// Every visible pixel painted with `color`, keeping the image's alpha; a colour with (almost) no
// alpha gives an untinted copy, an invalid colour nil.
foundation::Ref<graphics::Image> il_tintedImageWithColor(
    const foundation::Ref<graphics::Image>& image, const QColor& color);

// The colour of the pixel at `point` (pixels, row 0 at the top; fractions dropped) as stored: for
// an image with alpha its components are premultiplied. Invalid outside the pixels.
QColor il_colorAtPoint(const foundation::Ref<graphics::Image>& image, QPointF point);

// The colours of the pixels in `rect` (pixels), row by row, left to right; nullopt when the
// rectangle is empty or reaches outside the pixels.
std::optional<std::vector<QColor>> il_colorsWithRect(
    const foundation::Ref<graphics::Image>& image, QRectF rect);

// A box blur approximating a Gaussian of `blurRadius` points (edges repeated). A radius of about 0
// answers the receiver itself; an image under one point wide or high gives nil.
foundation::Ref<graphics::Image> il_blurredImageWithRadius(
    const foundation::Ref<graphics::Image>& image, double blurRadius);

// The filter's output for the image; the filter keeps the image as its input.
foundation::Ref<graphics::Image> il_filteredImageWithFilter(
    const foundation::Ref<graphics::Image>& image, const std::shared_ptr<ILImageFilter>& filter);
