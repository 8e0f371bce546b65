#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

// The sample catalogue's animated strips (GIF by giflib's EGif, APNG by apngasm, WebP by the webp
// tools: 4 frames, loop count 2, a first frame of 0.01 s and a last of 0.5 s) and its @2x previews,
// through the coders and the decode steps.

namespace {

namespace fs = std::filesystem;
using foundation::Data;
using foundation::Id;
using foundation::Ref;

fs::path filesDir()
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    return fs::path(binary ? binary : ".") / "resources" / "service-files";
}

TEST(ILGeneratedFiles, AnimatedStripsPlayWithTheirLoopCountAndDurations)
{
    ILImageCodersManager::sharedManager()->addCoder(ILImageWebPCoder::sharedCoder());
    int strips = 0;
    for (const auto& entry : fs::directory_iterator(filesDir() / "animated")) {
        SCOPED_TRACE(entry.path().filename().string());
        const Ref<Data> data = Data::dataWithContentsOfFile(entry.path());
        ASSERT_TRUE(data);
        const auto image = ILAnimatedImage::imageWithData(data, 2);
        ASSERT_TRUE(image);
        ++strips;
        ASSERT_EQ(image->animatedImageFrameCount(), 4u);
        EXPECT_EQ(image->animatedImageLoopCount(), 2u);
        EXPECT_DOUBLE_EQ(image->animatedImageDurationAtIndex(0), 0.1); // 0.01 s plays as 0.1 s
        EXPECT_DOUBLE_EQ(image->animatedImageDurationAtIndex(3), 0.5);
        const auto source = graphics::ImageSource::create(data);
        for (std::size_t i : { 3u, 1u, 2u, 0u }) {
            const auto frame = image->animatedImageFrameAtIndex(i);
            ASSERT_TRUE(frame) << i;
            EXPECT_EQ(frame->scale(), 2);
            EXPECT_TRUE(graphicstest::pixelsMatch(frame->image(), source->imageAtIndex(i))) << i;
        }
    }
    ILImageCodersManager::sharedManager()->removeCoder(ILImageWebPCoder::sharedCoder());
    EXPECT_EQ(strips, 12);
}

TEST(ILGeneratedFiles, DoubleSizePreviewsTakeTheScaleOfTheirURL)
{
    int previews = 0;
    for (const auto& entry : fs::directory_iterator(filesDir() / "previews")) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with("@2x.png"))
            continue;
        ++previews;
        const auto url = foundation::URL::URLWithString("http://127.0.0.1/files/previews/" + name);
        const auto image
            = ILDecodeDownloadedData(Data::dataWithContentsOfFile(entry.path()), url, 0, nullptr);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->scale(), 2);
        EXPECT_EQ(image->size(), QSizeF(600, 80));
        EXPECT_EQ(il_imageFormat(image), ILImageFormatPNG);
    }
    EXPECT_GE(previews, 10);
}

} // namespace
