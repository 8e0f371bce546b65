#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

using namespace graphicstest;
using foundation::Dictionary;
using foundation::Id;
using graphics::ImageDestination;
using graphics::ImageSource;

namespace {

QImage premultiplied(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(ImageDestination, PngRoundTripsWithAndWithoutAlpha)
{
    for (bool alpha : {true, false}) {
        QImage picture = alpha ? premultiplied(testPicture(50, 31, true, 9)) : testPicture(50, 31, false, 9);
        auto destination = ImageDestination::create(graphics::typeIdentifier::png, 1);
        ASSERT_TRUE(destination);
        destination->addImage(picture);
        auto data = destination->finalize();
        ASSERT_TRUE(data);
        EXPECT_TRUE(pixelsMatch(qtDecoded(*data, "png"), picture));
        QImage decoded = ImageSource::create(data)->imageAtIndex(0);
        EXPECT_EQ(decoded.hasAlphaChannel(), alpha);
        EXPECT_TRUE(pixelsMatch(decoded, picture));
    }
}

TEST(ImageDestination, MisuseGivesNoData)
{
    EXPECT_FALSE(ImageDestination::create(graphics::typeIdentifier::png, 0));
    EXPECT_FALSE(ImageDestination::create("public.svg-image", 1));

    auto empty = ImageDestination::create(graphics::typeIdentifier::png, 1);
    EXPECT_FALSE(empty->finalize()) << "no image added";

    auto nullImage = ImageDestination::create(graphics::typeIdentifier::png, 1);
    nullImage->addImage(QImage());
    EXPECT_FALSE(nullImage->finalize());

    auto tooMany = ImageDestination::create(graphics::typeIdentifier::png, 1);
    tooMany->addImage(testPicture(4, 4, false));
    tooMany->addImage(testPicture(4, 4, false));
    EXPECT_FALSE(tooMany->finalize());

    auto twice = ImageDestination::create(graphics::typeIdentifier::png, 1);
    twice->addImage(testPicture(4, 4, false));
    EXPECT_TRUE(twice->finalize());
    EXPECT_FALSE(twice->finalize()) << "a destination finalises once";
}

namespace {

std::vector<QImage> stripFrames()
{
    std::vector<QImage> frames;
    for (int i = 0; i < 4; ++i) {
        QImage frame(24, 16, QImage::Format_ARGB32_Premultiplied);
        frame.fill(qRgba(0, 0, 0, 0));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x)
                if ((x + i * 5) % 24 < 12)
                    frame.setPixel(x, y, qRgb(40 * i, 255 - 40 * i, (x * 10) & 0xff));
        frames.push_back(frame);
    }
    return frames;
}

foundation::Ref<foundation::Data> encodeStrip(std::string_view type, std::string_view formatKey, double quality = 1.0)
{
    auto frames = stripFrames();
    auto destination = ImageDestination::create(type, frames.size());
    destination->setProperties(Dictionary::create({
        {Id(formatKey), Id(Dictionary::create({{Id(graphics::imageProperty::loopCount), Id(2)}}))},
        {Id(graphics::imageProperty::lossyCompressionQuality), Id(quality)},
    }));
    double delays[] = {0.01, 0.2, 0.5, 1.0};
    for (std::size_t i = 0; i < frames.size(); ++i)
        destination->addImage(frames[i],
            Dictionary::create({{Id(formatKey),
                Id(Dictionary::create({{Id(graphics::imageProperty::delayTime), Id(delays[i])}}))}}));
    return destination->finalize();
}

} // namespace

TEST(ImageDestination, AnimationsRoundTripWithFramesDelaysAndLoopCount)
{
    struct Case {
        std::string_view type;
        std::string_view formatKey;
    };
    for (Case c : {Case {graphics::typeIdentifier::png, graphics::imageProperty::pngDictionary},
             Case {graphics::typeIdentifier::gif, graphics::imageProperty::gifDictionary},
             Case {graphics::typeIdentifier::webp, graphics::imageProperty::webpDictionary}}) {
        SCOPED_TRACE(std::string(c.type));
        auto data = encodeStrip(c.type, c.formatKey);
        ASSERT_TRUE(data);
        auto source = ImageSource::create(data);
        EXPECT_EQ(source->type(), c.type);
        ASSERT_EQ(source->count(), 4u);
        EXPECT_EQ(Id(source->properties())[c.formatKey][graphics::imageProperty::loopCount].integerValue(), 2);
        auto frames = stripFrames();
        double delays[] = {0.01, 0.2, 0.5, 1.0};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_TRUE(pixelsMatch(source->imageAtIndex(i), frames[i])) << "frame " << i;
            EXPECT_NEAR(Id(source->propertiesAtIndex(i))[c.formatKey][graphics::imageProperty::unclampedDelayTime]
                            .doubleValue(),
                delays[i], 0.0005);
        }
    }
}

TEST(ImageDestination, StillsRoundTripInEveryWrittenFormat)
{
    QImage opaque = testPicture(40, 30, false, 3);
    QImage translucent = premultiplied(testPicture(40, 30, true, 3));
    QImage smooth(40, 30, QImage::Format_RGB32); // lossy codecs keep gradients, not noise
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            smooth.setPixel(x, y, qRgb(x * 6, y * 8, 100));
    struct Case {
        std::string_view type;
        QImage image;
        double quality;
        int tolerance;
    };
    std::vector<Case> cases = {
        {graphics::typeIdentifier::jpeg, opaque, 1.0, 6},
        {graphics::typeIdentifier::tiff, translucent, 1.0, 0},
        {graphics::typeIdentifier::tiff, opaque, 1.0, 0},
        {graphics::typeIdentifier::webp, translucent, 1.0, 0},
        {graphics::typeIdentifier::webp, smooth, 0.9, 12},
        {graphics::typeIdentifier::gif, opaque.copy(0, 0, 8, 8), 1.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type));
        auto destination = ImageDestination::create(c.type, 1);
        ASSERT_TRUE(destination);
        destination->setProperties(
            Dictionary::create({{Id(graphics::imageProperty::lossyCompressionQuality), Id(c.quality)}}));
        destination->addImage(c.image);
        auto data = destination->finalize();
        ASSERT_TRUE(data);
        auto source = ImageSource::create(data);
        EXPECT_EQ(source->type(), c.type);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), c.image, c.tolerance));
    }
}

TEST(ImageDestination, LowerJpegQualityGivesSmallerFiles)
{
    QImage picture = testPicture(120, 80, false, 2);
    auto size = [&](double quality) {
        auto destination = ImageDestination::create(graphics::typeIdentifier::jpeg, 1);
        destination->addImage(
            picture, Dictionary::create({{Id(graphics::imageProperty::lossyCompressionQuality), Id(quality)}}));
        return destination->finalize()->length();
    };
    EXPECT_LT(size(0.3), size(0.9));
}
