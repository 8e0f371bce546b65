#include "Lib/ImageLoading/ILAnimatedImage.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Lib/ImageLoading/ILImageIOCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Lib/ImageLoading/ILWebCacheKeyFilterProtocol.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

namespace {

using namespace iltest;
using foundation::String;
using foundation::URL;
using graphics::Image;

// Maps every URL to one fixed key.
class FixedKeyFilter final : public ILWebCacheKeyFilterProtocol {
public:
    explicit FixedKeyFilter(std::string key)
        : key_(std::move(key))
    {
    }
    Ref<String> cacheKeyForURL(const Ref<URL>&) const override { return String::create(key_); }

private:
    std::string key_;
};

// Puts a coders list in place for one test and restores the shared list after it.
class SharedCoders {
public:
    explicit SharedCoders(ILImageCodersManager::Coders coders)
        : saved_(ILImageCodersManager::sharedManager()->coders())
    {
        ILImageCodersManager::sharedManager()->setCoders(std::move(coders));
    }
    ~SharedCoders() { ILImageCodersManager::sharedManager()->setCoders(saved_); }
    SharedCoders(const SharedCoders&) = delete;
    SharedCoders& operator=(const SharedCoders&) = delete;

private:
    ILImageCodersManager::Coders saved_;
};

// A progressive coder for bytes no image source reads: it names the size it is made with and
// counts the partial images asked of it.
class SizedCoder final : public ILImageCoder, public ILProgressiveImageCoder {
public:
    explicit SizedCoder(QSize size, std::shared_ptr<int> decodes = std::make_shared<int>(0))
        : size_(size)
        , decodes_(std::move(decodes))
    {
    }
    bool canDecodeFromData(const Ref<Data>&) const override { return false; }
    Ref<Image> decodedImageWithData(const Ref<Data>&, const ILImageCoderOptions&) const override
    {
        return nullptr;
    }
    bool canEncodeToFormat(ILImageFormatCode) const override { return false; }
    Ref<Data> encodedDataWithImage(
        const Ref<Image>&, ILImageFormatCode, const ILImageCoderOptions&) const override
    {
        return nullptr;
    }
    bool canIncrementalDecodeFromData(const Ref<Data>&) const override { return true; }
    Ref<ILImageCoder> initIncrementalWithOptions(const ILImageCoderOptions&) const override
    {
        return std::make_shared<SizedCoder>(size_, decodes_);
    }
    void updateIncrementalData(const Ref<Data>&, bool) override { }
    QSize incrementalPixelSize() const override { return size_; }
    Ref<Image> incrementalDecodedImageWithOptions(const ILImageCoderOptions&) override
    {
        ++*decodes_;
        return Image::create(flat(4, 4, 0xFF2080C0u));
    }
    int decodes() const { return *decodes_; }

private:
    QSize size_;
    std::shared_ptr<int> decodes_;
};

Ref<foundation::Dictionary> context(std::initializer_list<std::pair<Id, Id>> entries)
{
    return Dictionary::create(entries);
}

Id animatedClass()
{
    return Id(foundation::ClassValue::create(ILAnimatedImage::classObject()));
}

// A PNG of noise, large enough that half of it holds decoded rows.
const Ref<Data>& png()
{
    static const Ref<Data> data = [] {
        QImage noise(40, 20, QImage::Format_RGB32);
        std::uint32_t state = 12345;
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                state = state * 1664525u + 1013904223u;
                noise.setPixel(x, y, 0xFF000000u | (state >> 8));
            }
        return graphicstest::qtEncoded(noise, "png");
    }();
    return data;
}

TEST(ILImageDecoding, ScaleComesFromTheKeyUnlessTheContextNamesOneOfAtLeastOne)
{
    const auto url = URL::URLWithString("https://host/previews/a@2x.png");
    EXPECT_EQ(ILDecodeDownloadedData(png(), url, 0, nullptr)->scale(), 2);
    const auto half = context({ { Id(ILWebContextImageScaleFactor), Id(0.5) } });
    EXPECT_EQ(ILDecodeDownloadedData(png(), url, 0, half)->scale(), 2);
    const auto three = context({ { Id(ILWebContextImageScaleFactor), Id(3) } });
    EXPECT_EQ(ILDecodeDownloadedData(png(), url, 0, three)->scale(), 3);
    const auto filtered
        = context({ { Id(ILWebContextCacheKeyFilter), Id(std::make_shared<FixedKeyFilter>("key@3x.png")) } });
    EXPECT_EQ(ILDecodeDownloadedData(png(), url, 0, filtered)->scale(), 3);
    EXPECT_EQ(ILDecodeCachedData(png(), String::create("/cache/b%403x.png"), 0, nullptr)->scale(), 1);
    EXPECT_EQ(ILDecodeCachedData(png(), String::create("https://h/b%403x.png"), 0, nullptr)->scale(), 3);
    EXPECT_EQ(ILDecodeDownloadedData(nullptr, url, 0, nullptr), nullptr);
    const auto complete = ILDecodeDownloadedData(png(), url, 0, nullptr);
    EXPECT_FALSE(il_isIncremental(complete));
}

TEST(ILImageDecoding, DataCutShortDecodesAsFarAsItGoesAndIsMarkedPartial)
{
    const auto url = URL::URLWithString("https://host/previews/cut.png");
    const auto withClass = context({ { Id(ILWebContextAnimatedImageClass), animatedClass() } });
    const auto jpeg = jpegWithOrientation(flat(32, 24, 0xFF406080u), 6);
    const auto gif = animation(graphics::typeIdentifier::gif, graphics::imageProperty::gifDictionary,
        rgbFrames(), { 0.1, 0.1, 0.1 });
    // {data, its end marker's bytes}: a JPEG or a GIF without only its end marker holds every row
    // and is whole; one byte more gone, it is cut. A PNG is cut without its end's last byte.
    const struct {
        Ref<foundation::Data> whole;
        std::size_t wholeWithout;
    } cases[] = { { png(), 0 }, { jpeg, 2 }, { gif, 1 } };
    for (const auto& [whole, wholeWithout] : cases) {
        for (const ILContext& loadContext : { ILContext(), ILContext(withClass) }) {
            const auto complete = ILDecodeDownloadedData(whole, url, 0, loadContext);
            ASSERT_TRUE(complete);
            EXPECT_FALSE(il_isIncremental(complete));
            const auto cutData = prefix(whole, whole->length() - wholeWithout - 1);
            const auto cut = ILDecodeDownloadedData(cutData, url, 0, loadContext);
            ASSERT_TRUE(cut);
            EXPECT_TRUE(il_isIncremental(cut)) << "so that no cache keeps it";
            EXPECT_EQ(cut->size(), complete->size());
            const auto fromDisk = ILDecodeCachedData(cutData, String::create("k"), 0, loadContext);
            EXPECT_TRUE(fromDisk && il_isIncremental(fromDisk));
            if (wholeWithout > 0) {
                const auto withoutEnd = prefix(whole, whole->length() - wholeWithout);
                const auto shown = ILDecodeDownloadedData(withoutEnd, url, 0, loadContext);
                ASSERT_TRUE(shown);
                EXPECT_FALSE(il_isIncremental(shown)) << "every row arrived: the caches keep it";
                const auto kept = ILDecodeCachedData(withoutEnd, String::create("k"), 0, loadContext);
                EXPECT_TRUE(kept && !il_isIncremental(kept));
            }
        }
    }
}

TEST(ILImageDecoding, TheContextsAnimatedClassMakesTheImage)
{
    const auto url = URL::URLWithString("https://host/animated/strip.png");
    const auto data = apng(rgbFrames(), { 0.1, 0.1, 0.1 });
    const auto withClass = context({ { Id(ILWebContextAnimatedImageClass), animatedClass() } });
    const auto image = ILDecodeDownloadedData(data, url, 0, withClass);
    ASSERT_TRUE(std::dynamic_pointer_cast<ILAnimatedImage>(image));
    EXPECT_FALSE(std::dynamic_pointer_cast<ILAnimatedImage>(image)->isAllFramesLoaded());
    const auto preloaded = ILDecodeDownloadedData(data, url, ILLoadPreloadAllFrames, withClass);
    EXPECT_TRUE(std::dynamic_pointer_cast<ILAnimatedImage>(preloaded)->isAllFramesLoaded());
    // First frame only skips the animated class.
    const auto first = ILDecodeDownloadedData(data, url, ILLoadDecodeFirstFrameOnly, withClass);
    ASSERT_TRUE(first);
    EXPECT_FALSE(std::dynamic_pointer_cast<ILAnimatedImage>(first));
    // Data the class cannot take falls back to the coders, unless the load insists on the class.
    const auto jpeg = graphicstest::qtEncoded(flat(8, 8, 0xFF404040u), "jpeg");
    EXPECT_TRUE(ILDecodeDownloadedData(jpeg, url, 0, withClass));
    EXPECT_EQ(ILDecodeDownloadedData(jpeg, url, ILLoadMatchAnimatedImageClass, withClass), nullptr);
    // A class that does not conform is not used.
    const auto plainClass = context(
        { { Id(ILWebContextAnimatedImageClass), Id(foundation::ClassValue::create(Image::classObject())) } });
    EXPECT_FALSE(
        std::dynamic_pointer_cast<ILAnimatedImage>(ILDecodeDownloadedData(data, url, 0, plainClass)));
}

TEST(ILImageDecoding, PartialDecodeKeepsTheFirstCoderThatAccepts)
{
    const auto url = URL::URLWithString("https://host/previews/a.png");
    Ref<ILImageCoder> coder;
    EXPECT_EQ(ILDecodePartialDownload(prefix(png(), 4), url, false, coder, 0, nullptr), nullptr);
    ASSERT_TRUE(coder); // the APNG coder takes a PNG from its first byte
    const auto firstCoder = coder;
    const auto partial
        = ILDecodePartialDownload(prefix(png(), png()->length() / 2), url, false, coder, 0, nullptr);
    EXPECT_EQ(coder, firstCoder);
    ASSERT_TRUE(partial);
    EXPECT_TRUE(il_isIncremental(partial));
    const auto whole = ILDecodePartialDownload(png(), url, true, coder, 0, nullptr);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(il_isIncremental(whole));
    EXPECT_TRUE(
        graphicstest::pixelsMatch(whole->image(), ILDecodeDownloadedData(png(), url, 0, nullptr)->image()));
}

TEST(ILImageDecoding, PartialDecodeSearchesAgainUntilACoderAccepts)
{
    // With the WebP coder alone, eleven bytes are no format yet; the twelfth makes them WebP.
    SharedCoders only({ ILImageWebPCoder::sharedCoder() });
    const auto webp = graphicstest::qtEncoded(graphicstest::testPicture(24, 24, false), "webp", 100);
    const auto url = URL::URLWithString("https://host/previews/a.webp");
    Ref<ILImageCoder> coder;
    for (std::size_t length = 1; length < 12; ++length) {
        EXPECT_EQ(ILDecodePartialDownload(prefix(webp, length), url, false, coder, 0, nullptr), nullptr);
        EXPECT_EQ(coder, nullptr) << length;
    }
    ILDecodePartialDownload(prefix(webp, 12), url, false, coder, 0, nullptr);
    EXPECT_TRUE(std::dynamic_pointer_cast<ILImageWebPCoder>(coder));
    const auto image = ILDecodePartialDownload(webp, url, true, coder, 0, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->image().size(), QSize(24, 24));
    EXPECT_TRUE(il_isIncremental(image));
}

TEST(ILImageDecoding, PartialAnimationThroughTheAnimatedClass)
{
    const auto data = apng(rgbFrames(), { 0.1, 0.1, 0.1 });
    const auto url = URL::URLWithString("https://host/animated/strip.png");
    const auto withClass = context({ { Id(ILWebContextAnimatedImageClass), animatedClass() } });
    Ref<ILImageCoder> coder;
    const auto image = ILDecodePartialDownload(data, url, true, coder, 0, withClass);
    const auto animated = std::dynamic_pointer_cast<ILAnimatedImage>(image);
    ASSERT_TRUE(animated);
    EXPECT_TRUE(il_isIncremental(image));
    EXPECT_EQ(animated->animatedImageFrameCount(), 3u);
    EXPECT_EQ(animated->coder(), std::dynamic_pointer_cast<ILAnimatedImageCoder>(coder));
}

TEST(ILImageDecoding, PartialImagesPastThePixelLimitFollowTheSizeTheCoderParsed)
{
    // The bytes name no size any image source reads: only the coder knows it.
    const auto url = URL::URLWithString("https://host/previews/a.raw");
    const auto bytes = Data::create(std::string_view("raw pixels, the first rows of many"));
    const auto huge = std::make_shared<SizedCoder>(QSize(4096, 2048));
    SharedCoders only({ huge });
    Ref<ILImageCoder> coder;
    for (int step = 0; step < 3; ++step)
        EXPECT_EQ(ILDecodePartialDownload(bytes, url, false, coder, 0, nullptr), nullptr) << step;
    EXPECT_EQ(huge->decodes(), 0) << "no partial image of an image past the limit";
    EXPECT_TRUE(ILDecodePartialDownload(bytes, url, true, coder, 0, nullptr)) << "the whole one shows";
    EXPECT_EQ(huge->decodes(), 1);

    const auto small = std::make_shared<SizedCoder>(QSize(2048, 2048));
    SharedCoders smallOnly({ small });
    Ref<ILImageCoder> smallCoder;
    EXPECT_TRUE(ILDecodePartialDownload(bytes, url, false, smallCoder, 0, nullptr)) << "at the limit";
    EXPECT_EQ(small->decodes(), 1);
}

} // namespace
