#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/FrameDecoder.h"
#include "Platform/Graphics/detail/GifDecoder.h"
#include "Platform/Graphics/detail/JpegDecoder.h"
#include "Platform/Graphics/detail/PngDecoder.h"
#include "Platform/Graphics/detail/WebPDecoder.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

namespace graphics::detail {

std::unique_ptr<FrameDecoder> makeFrameDecoder(std::string_view type)
{
    if (type == typeIdentifier::png)
        return makePngDecoder();
    if (type == typeIdentifier::jpeg)
        return makeJpegDecoder();
    if (type == typeIdentifier::gif)
        return makeGifDecoder();
    if (type == typeIdentifier::webp)
        return makeWebPDecoder();
    if (type == typeIdentifier::tiff)
        return makeTiffDecoder();
    if ((type == typeIdentifier::heic || type == typeIdentifier::heif) && heifCanDecode())
        return makeHeifDecoder();
    if (type == typeIdentifier::bmp)
        return makeBmpDecoder();
    if (type == typeIdentifier::ico)
        return makeQtReaderDecoder("ico");
    return nullptr;
}

} // namespace graphics::detail
