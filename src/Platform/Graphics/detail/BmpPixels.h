#pragma once

#include "Platform/Graphics/detail/BmpLayout.h"

#include <QImage>
#include <functional>
#include <span>

namespace graphics::detail {

// Writes the pixels of the BMP `file`, as `layout` describes them, into `frame`: a blank frame of
// the layout's size (transparent when the layout has alpha). Whatever the file does not give
// (rows after its data ends, pixels that run-length codes skip) keeps the blank; nothing outside
// the file is read.
void readBmpPixels(const BmpLayout& layout, std::span<const std::uint8_t> file, QImage& frame);
// The same shrunk to `target`'s size (each side no larger than the layout's) as the rows are read:
// only `target` and a row are held.
QImage readBmpPixelsScaled(const BmpLayout& layout, std::span<const std::uint8_t> file, QImage target);

// Whether uncompressed rows end before the last one is whole (its padding may be missing). Run-length
// codes say where they end only by reading them all, so they never count as cut.
bool bmpPixelsCut(const BmpLayout& layout, std::span<const std::uint8_t> file);

} // namespace graphics::detail
