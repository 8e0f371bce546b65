#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The texts under which image sources and destinations report and take their properties, the type
// identifiers they answer, and the limits every decoder holds to. The texts are the platform's own
// key strings, so dictionaries read from a source look like the platform's.
namespace graphics {

namespace typeIdentifier {
inline constexpr std::string_view jpeg = "public.jpeg";
inline constexpr std::string_view png = "public.png";
inline constexpr std::string_view gif = "com.compuserve.gif";
inline constexpr std::string_view tiff = "public.tiff";
inline constexpr std::string_view webp = "public.webp";
inline constexpr std::string_view heic = "public.heic";
inline constexpr std::string_view heif = "public.heif";
inline constexpr std::string_view bmp = "com.microsoft.bmp";
inline constexpr std::string_view ico = "com.microsoft.ico";
} // namespace typeIdentifier

namespace imageProperty {
// Per frame, at the top level of a frame's dictionary.
inline constexpr std::string_view pixelWidth = "PixelWidth";
inline constexpr std::string_view pixelHeight = "PixelHeight";
inline constexpr std::string_view hasAlpha = "HasAlpha";
inline constexpr std::string_view orientation = "Orientation"; // EXIF 1-8, only when stored
// Format dictionaries: in the source's properties (loop count) and in each frame's (delays).
inline constexpr std::string_view gifDictionary = "{GIF}";
inline constexpr std::string_view pngDictionary = "{PNG}";
inline constexpr std::string_view webpDictionary = "{WebP}";
inline constexpr std::string_view heicsDictionary = "{HEICS}";
inline constexpr std::string_view loopCount = "LoopCount";   // 0 = endless
inline constexpr std::string_view delayTime = "DelayTime";   // seconds, below 0.011 reads 0.1
inline constexpr std::string_view unclampedDelayTime = "UnclampedDelayTime"; // seconds as stored
// Destination options: 0 (smallest) to 1 (best); lossy formats only.
inline constexpr std::string_view lossyCompressionQuality = "kCGImageDestinationLossyCompressionQuality";
} // namespace imageProperty

// Decompression-bomb limits. A frame over either pixel limit is never allocated: its source answers
// no image. Callers that keep several frames at once hold their total under maxFramesBytes.
namespace imageLimits {
inline constexpr std::int64_t maxSide = 16384;
inline constexpr std::int64_t maxPixels = 64LL * 1024 * 1024;
inline constexpr std::size_t maxFramesBytes = std::size_t(256) * 1024 * 1024;
// What a progressive JPEG's decoder holds whatever the size it is drawn at: every DCT coefficient of
// the image (two bytes each, about 6 bytes a pixel at 4:4:4). A file needing more is refused from
// its header, before anything is allocated.
inline constexpr std::uint64_t maxCoefficientBytes = std::uint64_t(128) * 1024 * 1024;
// What a decoder may hold to give a frame at a smaller size than it is stored. Formats that shrink
// as they read hold far less; one that must hold the whole frame (or every pixel's state) first is
// refused from its header when that passes this, so a large image in such a format shows nothing
// at a small size instead of costing the whole frame. Full-size decodes keep the limits above.
inline constexpr std::uint64_t maxScaledDecodeBytes = std::uint64_t(64) * 1024 * 1024;

constexpr bool allows(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

// Whether a decode at a smaller size that holds `bytesPerPixel` for each stored pixel stays under
// maxScaledDecodeBytes.
constexpr bool allowsScaledDecode(std::int64_t width, std::int64_t height, std::uint64_t bytesPerPixel = 4)
{
    return allows(width, height)
        && std::uint64_t(width) * std::uint64_t(height) * bytesPerPixel <= maxScaledDecodeBytes;
}
} // namespace imageLimits

} // namespace graphics
