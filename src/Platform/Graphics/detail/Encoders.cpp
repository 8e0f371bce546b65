#include "Platform/Graphics/detail/Encoders.h"

#include "Platform/Graphics/ImageProperties.h"

namespace graphics::detail {

bool canEncode(std::string_view type)
{
    if (type == typeIdentifier::heic || type == typeIdentifier::heif)
        return heifCanEncode();
    return type == typeIdentifier::png || type == typeIdentifier::jpeg || type == typeIdentifier::gif
        || type == typeIdentifier::tiff || type == typeIdentifier::webp;
}

// Formats without animation write the first frame (TIFF writes every frame as a page).
EncodedBytes encodeImages(std::string_view type, const std::vector<ImageDestination::Frame>& frames, unsigned loopCount)
{
    if (type == typeIdentifier::png)
        return frames.size() == 1 ? writePng(frames.front()) : writeApng(frames, loopCount);
    if (type == typeIdentifier::jpeg)
        return writeJpeg(frames.front());
    if (type == typeIdentifier::gif)
        return writeGif(frames, loopCount);
    if (type == typeIdentifier::webp)
        return frames.size() == 1 ? writeWebPStill(frames.front()) : writeWebP(frames, loopCount);
    if (type == typeIdentifier::tiff)
        return writeTiff(frames);
    if (type == typeIdentifier::heic || type == typeIdentifier::heif)
        return writeHeic(frames.front());
    return std::nullopt;
}

} // namespace graphics::detail
