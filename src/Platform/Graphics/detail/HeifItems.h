#pragma once

#include <cstdint>
#include <span>

namespace graphics::detail {

// Whether every image an identity ('iden') or overlay ('iovl') item derives from is an image item
// of the file. libheif 1.15 checks this for grids only and, for the two others, aborts the process
// on an assertion when a reference names an item that is not an image: a 170-byte file is enough.
// Reads the item information and item reference boxes of the file's 'meta' box the way libheif
// does; a file whose boxes cannot be read answers true, since libheif will not open it either.
bool heifDerivedImagesResolve(std::span<const std::uint8_t> data);

} // namespace graphics::detail
