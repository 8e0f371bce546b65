#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageAssetManager.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Support/TempHome.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace iltest;
using graphics::Image;
namespace fs = std::filesystem;

void writeFile(const fs::path& path, const Ref<Data>& data)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data->bytes()), static_cast<std::streamsize>(data->length()));
}

TEST(ILAnimatedImage, ConformsToTheAnimatedImageProtocol)
{
    const foundation::Class* cls = ILAnimatedImage::classObject();
    EXPECT_TRUE(ILAnimatedImageProtocol::classConforms(cls));
    EXPECT_FALSE(ILAnimatedImageProtocol::classConforms(Image::classObject()));
    EXPECT_FALSE(ILAnimatedImageProtocol::classConforms(nullptr));
    EXPECT_EQ(foundation::Class::named("ILAnimatedImage"), cls);
    const auto data = apng(rgbFrames(), { 0.1, 0.2, 0.3 }, 2);
    const Id made = cls->imageFactory()->withData(data, 2, nullptr);
    const auto* image = made.ptr<ILAnimatedImage>();
    ASSERT_TRUE(image);
    EXPECT_TRUE(dynamic_cast<const ILAnimatedImageProtocol*>(image));
    EXPECT_EQ(image->scale(), 2);
    const Id fromCoder = cls->imageFactory()->withAnimatedCoder(
        std::dynamic_pointer_cast<foundation::Object>(image->coder()), 3);
    ASSERT_TRUE(fromCoder.ptr<ILAnimatedImage>());
    EXPECT_EQ(fromCoder.ptr<ILAnimatedImage>()->scale(), 3);
    EXPECT_EQ(cls->imageFactory()->withAnimatedCoder(nullptr, 1), nullptr);
}

TEST(ILAnimatedImage, ServesFramesFromItsCoder)
{
    const auto image = ILAnimatedImage::imageWithData(apng(rgbFrames(), { 0.1, 0.2, 0.3 }, 2), 0.5);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 1); // raised to 1
    EXPECT_EQ(image->animatedImageFormat(), ILImageFormatPNG);
    EXPECT_EQ(image->animatedImageFrameCount(), 3u);
    EXPECT_EQ(image->animatedImageLoopCount(), 2u);
    EXPECT_EQ(image->image().pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image->animatedImageFrameAtIndex(2)->image().pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(image->animatedImageFrameAtIndex(3), nullptr);
    EXPECT_NEAR(image->animatedImageDurationAtIndex(1), 0.2, 1e-9);
    EXPECT_EQ(image->animatedImageDurationAtIndex(3), 0);
    EXPECT_EQ(ILAnimatedImage::imageWithData(nullptr), nullptr);
    EXPECT_EQ(ILAnimatedImage::imageWithData(Data::create()), nullptr);
    // JPEG has no animated coder.
    EXPECT_EQ(
        ILAnimatedImage::imageWithData(graphicstest::qtEncoded(flat(4, 4, 0xFF808080u), "jpeg")), nullptr);
}

TEST(ILAnimatedImage, PreloadingKeepsTheFramesAndCountsThemInTheCost)
{
    const auto image = ILAnimatedImage::imageWithData(apng(rgbFrames(40, 30), { 0.1, 0.2, 0.3 }));
    ASSERT_TRUE(image);
    const std::size_t unloaded = il_memoryCost(image);
    const std::size_t frameBytes = 40 * 30 * 4;
    EXPECT_GE(unloaded, frameBytes + image->animatedImageData()->length());
    EXPECT_FALSE(image->isAllFramesLoaded());
    image->preloadAllFrames();
    ASSERT_TRUE(image->isAllFramesLoaded());
    ASSERT_TRUE(image->loadedAnimatedImageFrames());
    EXPECT_EQ(image->loadedAnimatedImageFrames()->size(), 3u);
    EXPECT_EQ(il_memoryCost(image), unloaded + 2 * frameBytes) << "frame 0 is the image's own pixels";
    EXPECT_EQ(
        image->animatedImageFrameAtIndex(1), image->animatedImageFrameAtIndex(1)); // served, not decoded
    image->unloadAllFrames();
    EXPECT_FALSE(image->isAllFramesLoaded());
    EXPECT_EQ(image->loadedAnimatedImageFrames(), nullptr);
    EXPECT_EQ(il_memoryCost(image), unloaded);
    il_setMemoryCost(image, 7);
    EXPECT_EQ(il_memoryCost(image), 7u);
}

// Frame 0 is decoded when the image is made; asking for it again (the view does first, preloading
// does too) must not decode it a second time: a large still would be held twice.
TEST(ILAnimatedImage, FrameZeroIsTheImageItselfNotASecondDecode)
{
    for (const double scale : { 1.0, 2.0 }) {
        SCOPED_TRACE(scale);
        const auto image = ILAnimatedImage::imageWithData(apng(rgbFrames(40, 30), { 0.1, 0.2, 0.3 }), scale);
        ASSERT_TRUE(image);
        const uchar* own = image->image().constBits();
        const auto first = image->animatedImageFrameAtIndex(0);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->image().constBits(), own);
        EXPECT_EQ(first->scale(), scale);
        EXPECT_EQ(image->animatedImageFrameAtIndex(0), first);
        EXPECT_NE(image->animatedImageFrameAtIndex(1)->image().constBits(), own);
        image->preloadAllFrames();
        ASSERT_TRUE(image->isAllFramesLoaded());
        EXPECT_EQ((*image->loadedAnimatedImageFrames())[0].image->image().constBits(), own);
        EXPECT_EQ(image->image().constBits(), own) << "the image's own pixels were not copied";
    }
    const auto still
        = ILAnimatedImage::imageWithData(graphicstest::qtEncoded(flat(8, 6, 0xFF102030u), "png"));
    ASSERT_TRUE(still);
    EXPECT_EQ(still->animatedImageFrameAtIndex(0)->image().constBits(), still->image().constBits());
}

TEST(ILAnimatedImage, PreloadPastTheMemoryLimitDecodesOnDemand)
{
    const auto image = ILAnimatedImage::imageWithData(hugeAnimation());
    ASSERT_TRUE(image);
    image->preloadAllFrames();
    EXPECT_FALSE(image->isAllFramesLoaded());
    EXPECT_EQ(image->animatedImageFrameAtIndex(4)->image().pixel(0, 0), 0xFF203040u);
}

TEST(ILAnimatedImage, ArchiveKeepsTheAnimationOrFallsBackToAStill)
{
    const auto image = ILAnimatedImage::imageWithData(apng(rgbFrames(), { 0.1, 0.2, 0.3 }, 2), 2);
    const auto archive = foundation::KeyedArchiver::archivedDataWithRootObject(Id(image));
    ASSERT_TRUE(archive);
    const auto restored
        = foundation::KeyedUnarchiver::unarchiveObjectWithData(*archive).as<ILAnimatedImage>();
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->animatedImageFrameCount(), 3u);
    EXPECT_EQ(restored->scale(), 2);
    EXPECT_EQ(restored->animatedImageFormat(), ILImageFormatPNG);
    EXPECT_EQ(restored->animatedImageFrameAtIndex(1)->image().pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(restored->animatedImageFrameAtIndex(1)->scale(), 2);

    // When no animated coder takes the data any more, the archive decodes as a still image.
    auto& manager = *ILImageCodersManager::sharedManager();
    const auto coders = manager.coders();
    manager.setCoders({ coders.front() }); // the static coder alone
    const auto still = foundation::KeyedUnarchiver::unarchiveObjectWithData(*archive).as<ILAnimatedImage>();
    manager.setCoders(coders);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->coder(), nullptr);
    EXPECT_EQ(still->animatedImageFrameCount(), 0u);
    EXPECT_EQ(still->image().pixel(0, 0), 0xFFFF0000u);
}

TEST(ILAnimatedImage, ScaleFromAFilePath)
{
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/loading@2x.gif"), 2);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/loading@1.5x.png"), 1.5);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("abc@3x"), 3);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("a@2x.gif"), 1); // marker at index 1
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("ab@2x.gif"), 1); // index 2
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/loading@2x/"), 1);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/loading@2x.x.gif"), 1);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath(""), 1);
    // Anchors match at each line's end, and the last match wins.
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/first@2x\nsecond.gif"), 2);
    EXPECT_EQ(ILAnimatedImage::scaleFromPath("/res/first@2x\nlast@3x.gif"), 3);
}

TEST(ILAnimatedImage, FromAFileTakesTheScaleOfItsName)
{
    const fs::path folder = testsupport::makeScratchDir("animated");
    const fs::path path = folder / "spinner@2x.png";
    writeFile(path, apng(rgbFrames(8, 6), { 0.1, 0.1, 0.1 }));
    const auto image = ILAnimatedImage::imageWithContentsOfFile(path.string());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->size(), QSizeF(4, 3));
    EXPECT_EQ(ILAnimatedImage::imageWithContentsOfFile((folder / "missing.png").string()), nullptr);
}

TEST(ILImageAssetManager, FindsTheFileWhoseScaleFitsBest)
{
    const fs::path bundle = testsupport::makeScratchDir("resources");
    const auto data = apng(rgbFrames(), { 0.1, 0.1, 0.1 });
    writeFile(bundle / "spin@2x.png", data);
    writeFile(bundle / "spin@3x.png", data);
    writeFile(bundle / "plain.gif", data);
    writeFile(bundle / "odd@1.5x.png", data);
    ILImageAssetManager assets; // the main screen's scale is 1 here: 1, 2, 3
    EXPECT_EQ(assets.preferredScales(), (std::array<int, 3> { 1, 2, 3 }));
    double scale = 0;
    EXPECT_EQ(assets.getPathForName("spin", bundle, scale), bundle / "spin@2x.png");
    EXPECT_EQ(scale, 2);
    scale = 3;
    EXPECT_EQ(assets.getPathForName("spin", bundle, scale), bundle / "spin@3x.png");
    EXPECT_EQ(scale, 3);
    scale = 0;
    EXPECT_EQ(assets.getPathForName("spin@3x", bundle, scale), bundle / "spin@3x.png"); // carries its suffix
    EXPECT_EQ(scale, 3);
    scale = 1.5;
    EXPECT_EQ(assets.getPathForName("odd", bundle, scale), bundle / "odd@1.5x.png");
    EXPECT_EQ(scale, 1.5);
    scale = 0;
    EXPECT_EQ(assets.getPathForName("plain.gif", bundle, scale), bundle / "plain.gif");
    EXPECT_EQ(scale, 0);
    EXPECT_FALSE(assets.getPathForName("missing", bundle, scale));
    EXPECT_FALSE(assets.getPathForName("", bundle, scale));
    EXPECT_FALSE(assets.getPathForName("folder/", bundle, scale));
}

TEST(ILImageAssetManager, NamedImagesAreSharedWhileHeld)
{
    const fs::path bundle = testsupport::makeScratchDir("resources");
    writeFile(bundle / "loop@2x.png", apng(rgbFrames(), { 0.1, 0.1, 0.1 }));
    auto first = ILAnimatedImage::imageNamed("loop", bundle);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->scale(), 2);
    EXPECT_EQ(ILAnimatedImage::imageNamed("loop", bundle), first);
    std::weak_ptr<Image> gone = first;
    first.reset();
    EXPECT_TRUE(gone.expired()); // the table does not keep it
    const auto again = ILAnimatedImage::imageNamed("loop", bundle);
    ASSERT_TRUE(again);
    EXPECT_EQ(ILAnimatedImage::imageNamed("nothing", bundle), nullptr);
    EXPECT_EQ(ILAnimatedImage::imageNamed("", bundle), nullptr);
}

} // namespace
