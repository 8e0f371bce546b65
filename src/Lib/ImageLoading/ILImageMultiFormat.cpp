#include "Lib/ImageLoading/ILImageMultiFormat.h"

#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageGIFCoder.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/Image.h"

#include <algorithm>

using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using graphics::Image;

Ref<Image> il_imageWithData(const Ref<foundation::Data>& data, double scale, bool firstFrameOnly)
{
    if (!data)
        return nullptr;
    const auto options = Dictionary::create({
        { Id(ILImageCoderDecodeScaleFactor), Id(std::max(1.0, scale)) },
        { Id(ILImageCoderDecodeFirstFrameOnly), Id(firstFrameOnly) },
    });
    return ILImageCodersManager::sharedManager()->decodedImageWithData(data, options);
}

Ref<foundation::Data> il_imageData(const Ref<Image>& image)
{
    return il_imageDataAsFormat(image, ILImageFormatUndefined);
}

Ref<foundation::Data> il_imageDataAsFormat(
    const Ref<Image>& image, ILImageFormatCode format, double compressionQuality, bool firstFrameOnly)
{
    const auto options = Dictionary::create({
        { Id(ILImageCoderEncodeCompressionQuality), Id(compressionQuality) },
        { Id(ILImageCoderEncodeFirstFrameOnly), Id(firstFrameOnly) },
    });
    return ILImageCodersManager::sharedManager()->encodedDataWithImage(image, format, options);
}

Ref<Image> il_decodedImageWithImage(const Ref<Image>& image)
{
    return image ? ILImageCoderHelper::decodedImageWithImage(image) : nullptr;
}

Ref<Image> il_decodedAndScaledDownImageWithImage(const Ref<Image>& image, std::size_t limitBytes)
{
    return image ? ILImageCoderHelper::decodedAndScaledDownImageWithImage(image, limitBytes) : nullptr;
}

Ref<Image> il_imageWithGIFData(const Ref<foundation::Data>& data)
{
    return data ? ILImageGIFCoder::sharedCoder()->decodedImageWithData(data, nullptr) : nullptr;
}
