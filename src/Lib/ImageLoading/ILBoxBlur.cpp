#include "Lib/ImageLoading/ILBoxBlur.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// √(2π), and the value before flooring at a radius of 2: every radius up to 2 uses it, so the
// smallest blur is still a 3 × 3 box.
constexpr double kSqrtTwoPi = 2.5066282746310002;
constexpr double kAtRadiusTwo = 2.1299712059732503;

// Box averages of `box` samples along one line of `count` pixels read with `stride` (edges
// repeated), each channel rounded: the horizontal and the vertical half of one pass.
void boxLine(const std::uint32_t* in, std::uint32_t* out, int count, std::ptrdiff_t stride, int box)
{
    const int half = box / 2;
    const auto pixel = [&](int i) { return in[std::clamp(i, 0, count - 1) * stride]; };
    std::uint32_t total[4] = { 0, 0, 0, 0 };
    for (int i = -half; i <= half; ++i)
        for (int c = 0; c < 4; ++c)
            total[c] += (pixel(i) >> (8 * c)) & 0xFF;
    const auto rounded = static_cast<std::uint32_t>(box / 2);
    for (int i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        for (int c = 0; c < 4; ++c)
            value |= ((total[c] + rounded) / static_cast<std::uint32_t>(box)) << (8 * c);
        out[i * stride] = value;
        const std::uint32_t leaving = pixel(i - half);
        const std::uint32_t entering = pixel(i + half + 1);
        for (int c = 0; c < 4; ++c)
            total[c] = total[c] - ((leaving >> (8 * c)) & 0xFF) + ((entering >> (8 * c)) & 0xFF);
    }
}

// One box × box pass from `pixels` back into `pixels`, through `scratch` (both width × height).
void boxPass(
    std::vector<std::uint32_t>& pixels, std::vector<std::uint32_t>& scratch, int width, int height, int box)
{
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        boxLine(&pixels[row], &scratch[row], width, 1, box);
    }
    for (int x = 0; x < width; ++x)
        boxLine(
            &scratch[static_cast<std::size_t>(x)], &pixels[static_cast<std::size_t>(x)], height, width, box);
}

} // namespace

ILBoxBlurPlan ILBoxBlurPlanForRadius(double pixelRadius)
{
    double beforeFloor = ((pixelRadius * 3 * kSqrtTwoPi / 4) + 0.5) / 2;
    if (pixelRadius - 2 < FLT_EPSILON)
        beforeFloor = kAtRadiusTwo;
    // A box wider than this averages far past any image the decoders allow.
    beforeFloor = std::clamp(std::isnan(beforeFloor) ? 0.0 : beforeFloor, 0.0, 65535.0);
    const int box = static_cast<int>(std::floor(beforeFloor)) | 1;
    const int passes = pixelRadius < 0.5 ? 1 : pixelRadius < 1.5 ? 2 : 3;
    return { box, passes };
}

QImage ILBoxBlurImage(const QImage& image, ILBoxBlurPlan plan)
{
    QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width();
    const int height = source.height();
    if (width == 0 || height == 0)
        return source;
    const std::size_t rowLength = static_cast<std::size_t>(width);
    std::vector<std::uint32_t> pixels(rowLength * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const std::uint32_t*>(source.constScanLine(y)), width,
            &pixels[static_cast<std::size_t>(y) * rowLength]);
    std::vector<std::uint32_t> scratch(pixels.size());
    for (int pass = 0; pass < plan.passes; ++pass)
        boxPass(pixels, scratch, width, height, std::max(1, plan.boxSize));
    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        std::copy_n(&pixels[static_cast<std::size_t>(y) * rowLength], width,
            reinterpret_cast<std::uint32_t*>(result.scanLine(y)));
    result.setDevicePixelRatio(image.devicePixelRatio());
    return result;
}
