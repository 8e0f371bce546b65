#include "Lib/ImageLoading/ILColor.h"

#include "Platform/Foundation/Format.h"

#include <cmath>

namespace {

std::uint32_t component255(float value)
{
    return static_cast<std::uint32_t>(std::lround(value * 255.0f)) & 0xFF;
}

} // namespace

std::string il_hexString(const QColor& color)
{
    float red = 0, green = 0, blue = 0, alpha = 0;
    if (color.isValid())
        color.toRgb().getRgbF(&red, &green, &blue, &alpha);
    const std::uint32_t value
        = component255(alpha) << 24 | component255(red) << 16 | component255(green) << 8 | component255(blue);
    return foundation::format("#%08x", value);
}

foundation::Id il_hexTextOrNil(const QColor& color)
{
    return color.isValid() ? foundation::Id(il_hexString(color)) : foundation::Id();
}

std::optional<ILBitmapInfo> ILBitmapInfoForFormat(QImage::Format format)
{
    switch (format) {
    case QImage::Format_ARGB32_Premultiplied:
        return 0x2002;
    case QImage::Format_ARGB32:
        return 0x2004;
    case QImage::Format_RGB32:
        return 0x2006;
    case QImage::Format_RGBA8888:
        return 3;
    case QImage::Format_RGBA8888_Premultiplied:
        return 1;
    default:
        return std::nullopt;
    }
}

QColor ILColorFromPixel(std::span<const std::uint8_t, 4> pixel, ILBitmapInfo bitmapInfo)
{
    // Byte index of red, green, blue and alpha for each alpha kind, in order and reversed; -1 is
    // absent (a missing colour component reads 0, a missing alpha 1).
    struct Layout {
        int red, green, blue, alpha;
    };
    static constexpr Layout kLayouts[8][2] = {
        { { 0, 1, 2, -1 }, { 2, 1, 0, -1 } }, // none
        { { 0, 1, 2, 3 }, { 3, 2, 1, 0 } }, // premultiplied last
        { { 1, 2, 3, 0 }, { 2, 1, 0, 3 } }, // premultiplied first
        { { 0, 1, 2, 3 }, { 3, 2, 1, 0 } }, // last
        { { 1, 2, 3, 0 }, { 2, 1, 0, 3 } }, // first
        { { 0, 1, 2, -1 }, { 3, 2, 1, -1 } }, // none, skip last
        { { 1, 2, 3, -1 }, { 2, 1, 0, -1 } }, // none, skip first
        { { -1, -1, -1, 0 }, { -1, -1, -1, 0 } }, // alpha only
    };
    const ILBitmapInfo alphaKind = bitmapInfo & 0x1F;
    if (alphaKind >= 8)
        return QColor::fromRgbF(0, 0, 0, 1);
    const ILBitmapInfo byteOrder = bitmapInfo & 0x7000;
    const bool reversed = byteOrder != 0 && byteOrder != 0x4000;
    const Layout& layout = kLayouts[alphaKind][reversed ? 1 : 0];
    const auto read = [&](int index, float absent) { return index < 0 ? absent : static_cast<float>(pixel[index]) / 255.0f; };
    return QColor::fromRgbF(
        read(layout.red, 0), read(layout.green, 0), read(layout.blue, 0), read(layout.alpha, 1));
}
