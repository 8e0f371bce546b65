#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <filesystem>

// The sample catalogue's previews and strips, written by encoders independent of ours, decoded
// against Qt's reader.

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
namespace fs = std::filesystem;
namespace property = graphics::imageProperty;

namespace {

fs::path filesDir()
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    return fs::path(binary ? binary : ".") / "resources" / "service-files";
}

Ref<Data> read(const fs::path& path)
{
    auto data = Data::dataWithContentsOfFile(path);
    EXPECT_TRUE(data) << path;
    return data;
}

std::vector<std::string> previewIds()
{
    std::vector<std::string> ids;
    for (const auto& entry : fs::directory_iterator(filesDir() / "previews")) {
        std::string name = entry.path().filename().string();
        if (name.ends_with("_day@2x.png"))
            ids.push_back(name.substr(0, name.size() - 11));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

TEST(GeneratedFiles, PreviewsInEveryFormatMatchQtsReader)
{
    auto ids = previewIds();
    ASSERT_GE(ids.size(), 10u) << "the sample catalogue was not generated";
    struct Kind {
        const char* suffix;
        const char* format;
        const char* type;
        int tolerance;
    };
    const Kind kinds[] = {
        {"_day.jpg", "jpeg", "public.jpeg", 2},
        {"_day_progressive.jpg", "jpeg", "public.jpeg", 2},
        {"_day.webp", "webp", "public.webp", 2},
        {"_day_lossless.webp", "webp", "public.webp", 0},
        {"_day.gif", "gif", "com.compuserve.gif", 0},
        {"_day_interlaced.png", "png", "public.png", 0},
        {"_day@2x.png", "png", "public.png", 0},
    };
    for (const std::string& id : ids) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(id + kind.suffix);
            auto data = read(filesDir() / "previews" / (id + kind.suffix));
            ASSERT_TRUE(data);
            auto source = ImageSource::create(data);
            EXPECT_EQ(source->type(), kind.type);
            EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), qtDecoded(*data, kind.format), kind.tolerance));
        }
        // Both written from one opaque render by different encoders, so they show the same pixels.
        QImage lossless
            = ImageSource::create(read(filesDir() / "previews" / (id + "_day_lossless.webp")))->imageAtIndex(0);
        QImage interlaced
            = ImageSource::create(read(filesDir() / "previews" / (id + "_day_interlaced.png")))->imageAtIndex(0);
        EXPECT_TRUE(pixelsMatch(interlaced, lossless));
        EXPECT_EQ(ImageSource::create(read(filesDir() / "previews" / (id + "_day@2x.png")))->imageAtIndex(0).size(),
            QSize(1200, 160));
    }
}

TEST(GeneratedFiles, HeicStillShowsThePreview)
{
    auto ids = previewIds();
    ASSERT_FALSE(ids.empty());
    auto source = ImageSource::create(read(filesDir() / "previews" / (ids.front() + "_day.heic")));
    EXPECT_EQ(source->type(), "public.heic");
    ASSERT_EQ(source->count(), 1u);
    QImage heic = source->imageAtIndex(0);
    QImage lossless
        = ImageSource::create(read(filesDir() / "previews" / (ids.front() + "_day_lossless.webp")))->imageAtIndex(0);
    ASSERT_EQ(heic.size(), lossless.size());
    // Lossy: the average difference stays small although text edges ring.
    double total = 0;
    for (int y = 0; y < lossless.height(); ++y)
        for (int x = 0; x < lossless.width(); ++x)
            total += std::abs(qGray(heic.pixel(x, y)) - qGray(lossless.pixel(x, y)));
    EXPECT_LT(total / (lossless.width() * lossless.height()), 4.0);
}

TEST(GeneratedFiles, AnimatedStripsAgreeAcrossFormats)
{
    int strips = 0;
    for (const auto& entry : fs::directory_iterator(filesDir() / "animated")) {
        if (entry.path().extension() != ".gif")
            continue;
        ++strips;
        std::string id = entry.path().stem().string();
        SCOPED_TRACE(id);
        auto gifData = read(entry.path());
        auto gif = ImageSource::create(gifData);
        auto apng = ImageSource::create(read(filesDir() / "animated" / (id + ".png")));
        auto webp = ImageSource::create(read(filesDir() / "animated" / (id + ".webp")));
        struct Strip {
            std::shared_ptr<ImageSource> source;
            std::string_view key;
        };
        for (const Strip& strip : {Strip {gif, property::gifDictionary}, Strip {apng, property::pngDictionary},
                 Strip {webp, property::webpDictionary}}) {
            ASSERT_EQ(strip.source->count(), 4u) << strip.key;
            EXPECT_EQ(Id(strip.source->properties())[strip.key][property::loopCount].integerValue(), 2) << strip.key;
            Id first = Id(strip.source->propertiesAtIndex(0))[strip.key];
            EXPECT_DOUBLE_EQ(first[property::unclampedDelayTime].doubleValue(), 0.01) << strip.key;
            EXPECT_DOUBLE_EQ(first[property::delayTime].doubleValue(), 0.1) << strip.key;
            EXPECT_DOUBLE_EQ(
                Id(strip.source->propertiesAtIndex(3))[strip.key][property::unclampedDelayTime].doubleValue(), 0.5);
        }
        EXPECT_TRUE(pixelsMatch(gif->imageAtIndex(0), qtDecoded(*gifData, "gif")));
        for (std::size_t i = 0; i < 4; ++i) {
            QImage frame = gif->imageAtIndex(i);
            EXPECT_TRUE(pixelsMatch(apng->imageAtIndex(i), frame)) << "APNG frame " << i;
            EXPECT_TRUE(pixelsMatch(webp->imageAtIndex(i), frame)) << "WebP frame " << i;
        }
    }
    EXPECT_EQ(strips, 4);
}
