#include "Platform/Graphics/ImageTestSupport.h"
#include "Platform/Graphics/PngTestFiles.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/detail/PngChunks.h"

#include <random>
#include <tuple>

#include <zlib.h>

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
using graphics::ImageSourceStatus;

namespace {

QImage palettePicture()
{
    QImage image(37, 21, QImage::Format_Indexed8);
    image.setColorCount(4);
    image.setColor(0, qRgba(255, 0, 0, 255));
    image.setColor(1, qRgba(0, 128, 255, 128));
    image.setColor(2, qRgba(0, 0, 0, 0));
    image.setColor(3, qRgba(10, 200, 30, 7));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, uint((x + y) % 4));
    return image;
}

// An RGBA PNG of the given size whose data holds only its first `rows` rows (blank), so it is small
// whatever its size: a decoder that allocated before checking would hand back a frame.
Ref<Data> bombPng(std::uint32_t width, std::uint32_t height, std::uint32_t rows)
{
    namespace png = graphics::detail::png;
    std::vector<std::uint8_t> file(png::signature, png::signature + 8);
    std::vector<std::uint8_t> header;
    png::appendU32(header, width);
    png::appendU32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    png::appendChunk(file, png::tag("IHDR"), header);
    std::vector<std::uint8_t> raw(std::size_t(rows) * (1 + std::size_t(width) * 4), 0);
    std::vector<std::uint8_t> packed(compressBound(uLong(raw.size())));
    uLongf packedLength = uLongf(packed.size());
    compress(packed.data(), &packedLength, raw.data(), uLong(raw.size()));
    packed.resize(packedLength);
    png::appendChunk(file, png::tag("IDAT"), packed);
    return Data::create(std::move(file));
}

Ref<Data> pngPrefix(const Data& data, std::size_t length)
{
    return Data::create(data.span().first(length));
}

} // namespace

TEST(ImageSourcePng, StillPngsOfEveryColourTypeMatchQtsReader)
{
    struct Case {
        const char* name;
        QImage image;
        bool alpha;
    };
    std::vector<Case> cases = {
        {"rgb", testPicture(61, 33, false), false},
        {"rgba", testPicture(61, 33, true), true},
        {"gray", testPicture(40, 12, false).convertToFormat(QImage::Format_Grayscale8), false},
        {"palette with tRNS", palettePicture(), true},
        {"16-bit rgba", testPicture(19, 17, true).convertToFormat(QImage::Format_RGBA64), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = qtEncoded(c.image, "png");
        auto source = ImageSource::create(data);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), "public.png");
        EXPECT_EQ(source->status(), ImageSourceStatus::Complete);
        ASSERT_EQ(source->count(), 1u);
        QImage image = source->imageAtIndex(0);
        EXPECT_EQ(image.format(), c.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        EXPECT_TRUE(pixelsMatch(image, qtDecoded(*data, "png")));
        Id properties(source->propertiesAtIndex(0));
        EXPECT_EQ(properties[graphics::imageProperty::pixelWidth].integerValue(), c.image.width());
        EXPECT_EQ(properties[graphics::imageProperty::pixelHeight].integerValue(), c.image.height());
        EXPECT_EQ(properties[graphics::imageProperty::hasAlpha].boolValue(), c.alpha);
        EXPECT_TRUE(properties[graphics::imageProperty::pngDictionary].isNil());
        EXPECT_TRUE(properties[graphics::imageProperty::orientation].isNil());
        EXPECT_EQ(source->properties()->count(), 0u) << "a still PNG has no loop count";
        EXPECT_FALSE(source->propertiesAtIndex(1));
        EXPECT_TRUE(source->imageAtIndex(1).isNull());
    }
}

TEST(ImageSourcePng, InterlacedPngsMatchQtsReader)
{
    // Odd sizes leave some passes narrow or empty.
    for (auto [colorType, width, height] : {std::tuple {PNG_COLOR_TYPE_RGB_ALPHA, 45, 29},
             std::tuple {PNG_COLOR_TYPE_RGB, 3, 9}, std::tuple {PNG_COLOR_TYPE_GRAY, 33, 1}}) {
        SCOPED_TRACE(colorType);
        auto bytes = interlacedPng(testPicture(width, height, colorType == PNG_COLOR_TYPE_RGB_ALPHA, 7), colorType);
        ASSERT_FALSE(bytes.empty());
        auto data = Data::create(std::move(bytes));
        auto source = ImageSource::create(data);
        ASSERT_TRUE(source);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), qtDecoded(*data, "png")));
    }
}

TEST(ImageSourcePng, ShortDataGivesTheSameImageWhetherFinalOrNot)
{
    // An interlaced image shows the blocky preview of its passes so far, a plain one its rows so
    // far over blank (transparent) rows.
    for (bool interlaced : {true, false}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        QImage picture = testPicture(120, 80, true, 3);
        auto whole = interlaced ? Data::create(interlacedPng(picture)) : qtEncoded(picture, "png");
        QImage first;
        for (std::size_t length = 1; length < whole->length(); length += 23) {
            SCOPED_TRACE(length);
            auto cut = pngPrefix(*whole, length);
            QImage finalImage = ImageSource::create(cut)->imageAtIndex(0);
            auto incremental = ImageSource::createIncremental();
            incremental->update(cut, false);
            QImage partial = incremental->imageAtIndex(0);
            ASSERT_EQ(finalImage.isNull(), partial.isNull());
            if (finalImage.isNull())
                continue;
            EXPECT_TRUE(pixelsMatch(finalImage, partial));
            if (first.isNull())
                first = finalImage;
        }
        ASSERT_FALSE(first.isNull());
        if (interlaced) {
            // Only the first passes are in: pixel (1, 1) is still part of the first pass's 8x8 block.
            EXPECT_EQ(first.pixel(1, 1), first.pixel(0, 0));
        } else {
            EXPECT_EQ(first.pixel(119, 79), 0u) << "the last row is not there yet";
        }
    }
}

TEST(ImageSourcePng, ChunkedFeedingEndsEqualToTheWholeDecode)
{
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        QImage picture = testPicture(120, 80, true, 3);
        auto whole = interlaced ? Data::create(interlacedPng(picture)) : qtEncoded(picture, "png");
        QImage expected = ImageSource::create(whole)->imageAtIndex(0);
        std::mt19937 random(5);
        for (std::size_t step : {std::size_t(1), std::size_t(1024), std::size_t(0)}) {
            auto source = ImageSource::createIncremental();
            EXPECT_EQ(source->status(), ImageSourceStatus::ReadingHeader);
            std::size_t length = 0;
            while (length < whole->length()) {
                std::size_t chunk = step ? step : std::size_t(1 + random() % 3000);
                length = std::min(whole->length(), length + chunk);
                source->update(pngPrefix(*whole, length), length == whole->length());
            }
            EXPECT_EQ(source->status(), ImageSourceStatus::Complete);
            EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), expected)) << "step " << step;
        }
    }
}

TEST(ImageSourcePng, PartialDataGivesTheRowsSoFar)
{
    QImage picture = testPicture(64, 200, false);
    auto whole = qtEncoded(picture, "png");
    auto source = ImageSource::createIncremental();
    source->update(pngPrefix(*whole, 20), false);
    EXPECT_EQ(source->type(), "public.png");
    EXPECT_EQ(source->count(), 0u) << "no header yet";
    EXPECT_EQ(source->status(), ImageSourceStatus::ReadingHeader);

    source->update(pngPrefix(*whole, whole->length() / 2), false);
    EXPECT_EQ(source->status(), ImageSourceStatus::Incomplete);
    ASSERT_EQ(source->count(), 1u);
    EXPECT_EQ(Id(source->propertiesAtIndex(0))[graphics::imageProperty::pixelHeight].integerValue(), 200);
    QImage partial = source->imageAtIndex(0);
    ASSERT_FALSE(partial.isNull());
    EXPECT_EQ(partial.size(), picture.size());
    QImage expected = qtDecoded(*whole, "png");
    EXPECT_TRUE(pixelsMatch(partial.copy(0, 0, 64, 10), expected.copy(0, 0, 64, 10)));
    EXPECT_EQ(partial.pixel(63, 199), qRgb(0, 0, 0)) << "rows not yet decoded are blank";

    // A final update that stays short gives the rows it has and says the data ended early; later
    // updates are ignored.
    source->update(pngPrefix(*whole, whole->length() - 10), true);
    EXPECT_EQ(source->status(), ImageSourceStatus::UnexpectedEOF);
    source->update(whole, true);
    EXPECT_EQ(source->data()->length(), whole->length() - 10);
}

TEST(ImageSourcePng, DataEndingBeforeAnyRowGivesNoImage)
{
    auto whole = qtEncoded(testPicture(30, 30, false), "png");
    auto source = ImageSource::create(pngPrefix(*whole, 40));
    EXPECT_EQ(source->count(), 1u);
    EXPECT_TRUE(source->imageAtIndex(0).isNull());
}

TEST(ImageSourcePng, SizesOverTheLimitsAreRefusedBeforeAllocating)
{
    // Allowed at the edge: 16384 pixels a side.
    auto edge = qtEncoded(testPicture(16384, 2, false), "png");
    EXPECT_EQ(ImageSource::create(edge)->imageAtIndex(0).width(), 16384);
    auto wide = qtEncoded(QImage(16385, 1, QImage::Format_RGB32), "png");
    EXPECT_TRUE(ImageSource::create(wide)->imageAtIndex(0).isNull());
    // The same small file decodes at an allowed size and is refused past either limit.
    EXPECT_EQ(ImageSource::create(bombPng(4000, 4000, 2))->imageAtIndex(0).height(), 4000);
    EXPECT_TRUE(ImageSource::create(bombPng(9000, 8000, 2))->imageAtIndex(0).isNull()) << "72 Mpx";
    EXPECT_TRUE(ImageSource::create(bombPng(1, 40000, 2))->imageAtIndex(0).isNull());
    EXPECT_TRUE(ImageSource::create(bombPng(0x7fffffff, 1, 0))->imageAtIndex(0).isNull());
}

TEST(ImageSourcePng, UndefinedDataHasNoTypeAndNoImages)
{
    auto html = Data::create(std::string_view("<!DOCTYPE html><html><body>Not found</body></html>"));
    auto source = ImageSource::create(html);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), "");
    EXPECT_EQ(source->status(), ImageSourceStatus::UnknownType);
    EXPECT_EQ(source->count(), 0u);
    EXPECT_TRUE(source->imageAtIndex(0).isNull());
    EXPECT_FALSE(ImageSource::create(Data::create()));
    EXPECT_FALSE(ImageSource::create(nullptr));

    auto broken = Data::create(std::string_view("\x89PNG\r\n\x1a\nnot a chunk at all", 27));
    EXPECT_EQ(ImageSource::create(broken)->status(), ImageSourceStatus::InvalidData);
}

TEST(ImageSourcePng, TypeOfDataReadsTheLeadingBytes)
{
    using namespace std::string_view_literals;
    auto type = [](std::string_view bytes) { return ImageSource::typeOfData(*Data::create(bytes)); };
    EXPECT_EQ(type("RIFF\x10\0\0\0WEBP"sv), "public.webp");
    EXPECT_EQ(type("RIFF\x10\0\0\0WEB"sv), "") << "11 bytes";
    EXPECT_EQ(type("RIFF\x10\0\0\0WAVE"sv), "");
    EXPECT_EQ(type(std::string_view("\0\0\0\x18" "ftypheic", 12)), "public.heic");
    EXPECT_EQ(type(std::string_view("\0\0\0\x18" "ftyphevx", 12)), "public.heic");
    EXPECT_EQ(type(std::string_view("\0\0\0\x18" "ftypmsf1", 12)), "public.heif");
    EXPECT_EQ(type(std::string_view("\0\0\0\x18" "ftypavif", 12)), "");
    EXPECT_EQ(type("\xff\xd8\xff\xe0"), "public.jpeg");
    EXPECT_EQ(type("GIF89a"), "com.compuserve.gif");
    EXPECT_EQ(type(std::string_view("II*\0", 4)), "public.tiff");
    EXPECT_EQ(type(std::string_view("MM\0*", 4)), "public.tiff");
    EXPECT_EQ(type("BM\x36\0"), "com.microsoft.bmp");
    EXPECT_EQ(type(std::string_view("\0\0\1\0\1\0", 6)), "com.microsoft.ico");
    EXPECT_EQ(type("<html>"), "");
}
