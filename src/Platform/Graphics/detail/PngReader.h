#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <span>

namespace graphics::detail {

// Decodes one PNG with libpng's progressive reader straight into Format_ARGB32_Premultiplied (alpha
// or tRNS) or Format_RGB32. Data that ends early gives the rows decoded so far over a blank frame
// (an interlaced image: the blocky preview its passes so far give); a null image when the header is
// missing or broken, or the limits refuse its size. `whole` says the data is expected to be all
// there: an interlaced image is then read in one go, and read again as a preview only when it ends
// early. A valid `size` smaller than the image's gives the image shrunk to that size (each side
// no larger than the stored one); rows of a non-interlaced image shrink as they are decoded, and
// the passes of an interlaced one are summed into the smaller size as they come (a cut one shows
// the mean of the pixels that arrived), so the whole frame is never allocated. An interlaced image
// shown at more than about a ninth of its area is composed whole, which then costs at most nine
// times the smaller copy.
QImage readPng(std::span<const std::uint8_t> data, bool whole, QSize size = {});

} // namespace graphics::detail
