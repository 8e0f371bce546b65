#include "Platform/Graphics/ApngTestFiles.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <memory>
#include <string>

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
namespace property = graphics::imageProperty;

namespace {

constexpr QRgb canvasColour = qRgb(255, 0, 0);
constexpr QRgb squareColour = qRgb(0, 255, 0);

// A red canvas, then a green square over its middle.
std::vector<ApngFrame> twoFrames()
{
    return {{solid(4, 4, canvasColour)}, {solid(2, 2, squareColour), 1, 1}};
}

QImage secondCanvas()
{
    QImage canvas = solid(4, 4, canvasColour);
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x)
            canvas.setPixel(x, y, squareColour);
    return canvas;
}

struct Reading {
    std::string way;
    std::shared_ptr<ImageSource> source;
};

// The file read whole, and fed to an incremental source in three steps and a byte at a time (the
// last update final), with the frames asked for after each step as a view would.
std::vector<Reading> readings(const Ref<Data>& data)
{
    std::vector<Reading> result;
    result.push_back({"whole", ImageSource::create(data)});
    for (std::size_t steps : {std::size_t(3), data->length()}) {
        auto source = ImageSource::createIncremental();
        for (std::size_t step = 1; step <= steps; ++step) {
            source->update(Data::create(data->span().first(data->length() * step / steps)), step == steps);
            for (std::size_t i = 0; i < source->count(); ++i)
                source->imageAtIndex(i);
        }
        result.push_back({"in " + std::to_string(steps) + " steps", source});
    }
    return result;
}

} // namespace

TEST(ImageSourceApngRules, FrameControlBeforeAnimationControlAnimates)
{
    ApngLayout layout {ApngFault::FrameControlBeforeAnimationControl, std::nullopt, false};
    auto data = apngFile(4, 4, twoFrames(), 1, layout);
    for (const Reading& reading : readings(data)) {
        SCOPED_TRACE(reading.way);
        ASSERT_EQ(reading.source->count(), 2u);
        Id properties(reading.source->properties());
        EXPECT_EQ(properties[property::pngDictionary][property::loopCount].integerValue(), 1);
        EXPECT_TRUE(pixelsMatch(reading.source->imageAtIndex(0), solid(4, 4, canvasColour)));
        EXPECT_TRUE(pixelsMatch(reading.source->imageAtIndex(1), secondCanvas()));
    }
}

TEST(ImageSourceApngRules, InvalidAnimationsShowTheDefaultImageAlone)
{
    struct Case {
        const char* name;
        ApngLayout layout;
    };
    const Case cases[] = {
        {"acTL twice", {ApngFault::None, std::nullopt, true}},
        {"acTL twice after an fcTL", {ApngFault::FrameControlBeforeAnimationControl, std::nullopt, true}},
        {"2^31 frames", {ApngFault::None, 0x80000000u, false}},
        {"2^32 - 1 frames", {ApngFault::None, 0xffffffffu, false}},
        {"a frame more than the fcTL chunks", {ApngFault::None, 3, false}},
        {"a frame fewer than the fcTL chunks", {ApngFault::None, 1, false}},
        {"no frames", {ApngFault::None, 0, false}},
    };
    for (const Case& c : cases) {
        auto data = apngFile(4, 4, twoFrames(), 1, c.layout);
        for (const Reading& reading : readings(data)) {
            SCOPED_TRACE(std::string(c.name) + ", " + reading.way);
            EXPECT_EQ(reading.source->count(), 1u);
            EXPECT_EQ(reading.source->properties()->count(), 0u) << "no loop count";
            EXPECT_TRUE(Id(reading.source->propertiesAtIndex(0))[property::pngDictionary].isNil());
            EXPECT_TRUE(pixelsMatch(reading.source->imageAtIndex(0), solid(4, 4, canvasColour)));
            EXPECT_TRUE(reading.source->imageAtIndex(1).isNull());
        }
    }
}
