#pragma once

#include "Platform/Foundation/Object.h"

#include <QColor>
#include <QImage>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Colours of the image layer are QColors; an invalid QColor stands for no colour (nil).

// "#aarrggbb": alpha, red, green and blue each times 255 rounded, eight lower-case hex digits
// (opaque red is "#ffff0000"). A colour of another spec is read in RGB; an invalid one reads as
// transparent black.
std::string il_hexString(const QColor& color);
// The hex text as a string object, nil for an invalid colour (so that "%@" prints "(null)").
foundation::Id il_hexTextOrNil(const QColor& color);

// Bitmap info of a pixel layout: the alpha kind in the low five bits (0 none, 1 premultiplied last,
// 2 premultiplied first, 3 last, 4 first, 5 none skip last, 6 none skip first, 7 alpha only) and the
// byte order in 0x7000 (0 and 0x4000 read bytes in order, 0x2000 and others reversed).
using ILBitmapInfo = std::uint32_t;

// The bitmap info of a QImage format: ARGB32_Premultiplied 0x2002, ARGB32 0x2004, RGB32 0x2006,
// RGBA8888 3, RGBA8888_Premultiplied 1; nullopt for other formats (convert them first).
std::optional<ILBitmapInfo> ILBitmapInfoForFormat(QImage::Format format);

// The colour of four pixel bytes laid out as `bitmapInfo` says; components are the bytes ÷ 255 as
// stored (premultiplied ones are not divided by alpha). An unknown alpha kind gives opaque black.
QColor ILColorFromPixel(std::span<const std::uint8_t, 4> pixel, ILBitmapInfo bitmapInfo);
