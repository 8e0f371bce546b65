#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageAPNGCoder.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageGIFCoder.h"
#include "Lib/ImageLoading/ILImageIOCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageMultiFormat.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

namespace {

using namespace iltest;
using graphics::Image;

// A coder that claims every data and every format and answers nil, counting the calls.
class GreedyCoder final : public ILImageCoder {
public:
    bool canDecodeFromData(const Ref<Data>&) const override { return true; }
    Ref<Image> decodedImageWithData(const Ref<Data>&, const ILImageCoderOptions&) const override
    {
        ++decodes;
        return nullptr;
    }
    bool canEncodeToFormat(ILImageFormatCode) const override { return true; }
    Ref<Data> encodedDataWithImage(
        const Ref<Image>&, ILImageFormatCode, const ILImageCoderOptions&) const override
    {
        ++encodes;
        return nullptr;
    }
    mutable int decodes = 0;
    mutable int encodes = 0;
};

TEST(ILImageCodersManager, DefaultListIsStaticThenGIFThenAPNG)
{
    ILImageCodersManager manager;
    const auto coders = manager.coders();
    ASSERT_EQ(coders.size(), 3u);
    EXPECT_EQ(coders[0], ILImageIOCoder::sharedCoder());
    EXPECT_EQ(coders[1], ILImageGIFCoder::sharedCoder());
    EXPECT_EQ(coders[2], ILImageAPNGCoder::sharedCoder());
}

TEST(ILImageCodersManager, APNGCoderTakesStillPNGBeforeTheStaticCoder)
{
    ILImageCodersManager manager;
    const auto png = graphicstest::qtEncoded(graphicstest::testPicture(20, 10, true), "png");
    const auto image = manager.decodedImageWithData(png, nullptr);
    ASSERT_TRUE(image);
    EXPECT_TRUE(std::dynamic_pointer_cast<ILAnimatedImageRep>(image->representation()));
    EXPECT_FALSE(il_isAnimated(image));
    EXPECT_EQ(il_imageFormat(image), ILImageFormatPNG);
    // A still PNG gets none of the animation properties.
    EXPECT_TRUE(image->representation()->valueForProperty(graphics::bitmapProperty::frameCount).isNil());
    EXPECT_TRUE(image->representation()->valueForProperty(graphics::bitmapProperty::loopCount).isNil());
    const auto jpeg = graphicstest::qtEncoded(graphicstest::testPicture(20, 10, false), "jpeg");
    const auto still = manager.decodedImageWithData(jpeg, nullptr);
    ASSERT_TRUE(still);
    EXPECT_FALSE(std::dynamic_pointer_cast<ILAnimatedImageRep>(still->representation()));
    EXPECT_EQ(il_imageFormat(still), ILImageFormatJPEG);
}

TEST(ILImageCodersManager, LastAddedCoderWinsAndItsNilIsFinal)
{
    ILImageCodersManager manager;
    auto greedy = std::make_shared<GreedyCoder>();
    manager.addCoder(greedy);
    manager.addCoder(nullptr);
    EXPECT_EQ(manager.coders().size(), 4u);
    const auto png = graphicstest::qtEncoded(graphicstest::testPicture(8, 8, false), "png");
    EXPECT_EQ(manager.decodedImageWithData(png, nullptr), nullptr); // no second coder is tried
    EXPECT_EQ(greedy->decodes, 1);
    EXPECT_EQ(manager.encodedDataWithImage(
                  Image::create(graphicstest::testPicture(4, 4, false)), ILImageFormatPNG, nullptr),
        nullptr);
    EXPECT_EQ(greedy->encodes, 1);
    manager.removeCoder(greedy);
    EXPECT_TRUE(manager.decodedImageWithData(png, nullptr));
    manager.setCoders({});
    EXPECT_FALSE(manager.canDecodeFromData(png));
    EXPECT_EQ(manager.decodedImageWithData(png, nullptr), nullptr);
    EXPECT_EQ(manager.decodedImageWithData(nullptr, nullptr), nullptr);
}

TEST(ILImageCodersManager, WebPHasNoCoderUntilOneIsAdded)
{
    ILImageCodersManager manager;
    const auto webp = graphicstest::qtEncoded(graphicstest::testPicture(16, 16, false), "webp", 100);
    EXPECT_FALSE(ILImageIOCoder::sharedCoder()->canDecodeFromData(webp));
    EXPECT_FALSE(manager.canDecodeFromData(webp));
    EXPECT_EQ(manager.decodedImageWithData(webp, nullptr), nullptr);
    EXPECT_FALSE(manager.canEncodeToFormat(ILImageFormatWebP));
    manager.addCoder(ILImageWebPCoder::sharedCoder());
    const auto image = manager.decodedImageWithData(webp, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(16, 16));
    EXPECT_TRUE(manager.canEncodeToFormat(ILImageFormatWebP));
}

TEST(ILImageCodersManager, EncodingWithoutFormatPicksPNGForAlphaAndJPEGWithout)
{
    const auto alpha = Image::create(graphicstest::testPicture(12, 9, true));
    const auto opaque = Image::create(graphicstest::testPicture(12, 9, false));
    const auto alphaData = il_imageData(alpha);
    const auto opaqueData = il_imageData(opaque);
    ASSERT_TRUE(alphaData);
    ASSERT_TRUE(opaqueData);
    EXPECT_EQ(il_imageFormatForImageData(alphaData), ILImageFormatPNG);
    EXPECT_EQ(il_imageFormatForImageData(opaqueData), ILImageFormatJPEG);
    // PNG round trips exactly; JPEG at quality 1 within a few levels.
    EXPECT_TRUE(graphicstest::pixelsMatch(il_imageWithData(alphaData)->image(), alpha->image()));
    EXPECT_TRUE(graphicstest::pixelsMatch(il_imageWithData(opaqueData)->image(), opaque->image(), 12));
    EXPECT_EQ(il_imageData(nullptr), nullptr);
    EXPECT_EQ(il_imageWithData(nullptr), nullptr);
}

TEST(ILImageCodersManager, EncodesEveryFormatTheStaticCoderWrites)
{
    const auto image = Image::create(graphicstest::testPicture(10, 10, false));
    for (ILImageFormatCode format :
        { ILImageFormatJPEG, ILImageFormatPNG, ILImageFormatGIF, ILImageFormatTIFF }) {
        const auto data = il_imageDataAsFormat(image, format, 0.9);
        ASSERT_TRUE(data) << format;
        EXPECT_EQ(il_imageFormatForImageData(data), format);
        const auto decoded = il_imageWithData(data);
        ASSERT_TRUE(decoded) << format;
        EXPECT_EQ(decoded->image().size(), QSize(10, 10));
    }
}

} // namespace
