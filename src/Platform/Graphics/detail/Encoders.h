#pragma once

#include "Platform/Graphics/ImageDestination.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace graphics::detail {

using EncodedBytes = std::optional<std::vector<std::uint8_t>>;

bool canEncode(std::string_view type);
// `frames` is not empty; nullopt when the encoder fails.
EncodedBytes encodeImages(std::string_view type, const std::vector<ImageDestination::Frame>& frames, unsigned loopCount);

// Each format's writer.
EncodedBytes writePng(const ImageDestination::Frame& frame);
EncodedBytes writeApng(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount);
EncodedBytes writeJpeg(const ImageDestination::Frame& frame);
EncodedBytes writeGif(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount);
EncodedBytes writeWebPStill(const ImageDestination::Frame& frame);
EncodedBytes writeWebP(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount);
EncodedBytes writeTiff(const std::vector<ImageDestination::Frame>& frames);
EncodedBytes writeHeic(const ImageDestination::Frame& frame);
bool heifCanEncode();

// Straight (unpremultiplied) 8-bit BGRA or BGRX rows of a paint-ready frame.
QImage straightPixels(const QImage& image);

} // namespace graphics::detail
