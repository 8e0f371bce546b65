#include "Platform/Graphics/GifTestFiles.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include "Support/LimitedChild.h"

#include <random>
#include <sys/resource.h>

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
using graphics::ImageSourceStatus;
namespace property = graphics::imageProperty;

namespace {

Ref<Data> prefix(const Data& data, std::size_t length)
{
    return Data::create(data.span().first(length));
}

Ref<Data> progressiveJpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(90);
    EXPECT_TRUE(writer.write(image));
    return bytesOf(bytes);
}

// The JPEG with an EXIF segment after SOI whose IFD0 holds the orientation tag.
Ref<Data> withOrientation(const Data& jpeg, int orientation, bool bigEndian)
{
    std::vector<std::uint8_t> tiff;
    auto u16 = [&](unsigned v) {
        if (bigEndian)
            tiff.insert(tiff.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else
            tiff.insert(tiff.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    auto u32 = [&](unsigned v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xffff);
        } else {
            u16(v & 0xffff);
            u16(v >> 16);
        }
    };
    tiff.insert(tiff.end(), bigEndian ? std::initializer_list<std::uint8_t> {'M', 'M'} : std::initializer_list<std::uint8_t> {'I', 'I'});
    u16(42);
    u32(8);
    u16(2); // entries
    u16(0x010f); // Make, ASCII, 4 bytes inline
    u16(2);
    u32(4);
    tiff.insert(tiff.end(), {'a', 'b', 'c', 0});
    u16(0x0112);
    u16(3);
    u32(1);
    u16(unsigned(orientation));
    u16(0);
    u32(0);
    std::vector<std::uint8_t> segment = {0xff, 0xe1};
    std::size_t length = 2 + 6 + tiff.size();
    segment.insert(segment.end(), {std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0});
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    std::vector<std::uint8_t> out(jpeg.bytes(), jpeg.bytes() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.bytes() + 2, jpeg.bytes() + jpeg.length());
    return Data::create(std::move(out));
}

void feedInChunks(ImageSource& source, const Data& whole, std::size_t step, std::mt19937& random, bool decodeEachStep)
{
    std::size_t length = 0;
    while (length < whole.length()) {
        length = std::min(whole.length(), length + (step ? step : std::size_t(1 + random() % 2000)));
        source.update(prefix(whole, length), length == whole.length());
        if (decodeEachStep)
            source.imageAtIndex(0);
    }
}

} // namespace

TEST(ImageSourceFormats, StillsMatchQtsReader)
{
    QImage opaque = testPicture(71, 43, false, 2);
    QImage translucent = testPicture(71, 43, true, 2);
    struct Case {
        const char* format;
        Ref<Data> data;
        const char* type;
        int tolerance;
        bool alpha;
    };
    std::vector<Case> cases = {
        {"jpeg", qtEncoded(opaque, "jpeg", 90), "public.jpeg", 2, false},
        {"jpeg", progressiveJpeg(opaque), "public.jpeg", 2, false},
        {"webp", qtEncoded(translucent, "webp", 100), "public.webp", 0, true},
        {"webp", qtEncoded(opaque, "webp", 80), "public.webp", 2, false},
        {"gif", gifOfPicture(opaque), "com.compuserve.gif", 0, true},
        {"tiff", qtEncoded(translucent, "tiff"), "public.tiff", 0, true},
        {"tiff", qtEncoded(opaque, "tiff"), "public.tiff", 0, false},
        {"bmp", qtEncoded(opaque, "bmp"), "com.microsoft.bmp", 0, false},
        {"ico", qtEncoded(testPicture(32, 32, true), "ico"), "com.microsoft.ico", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        if (!c.data || c.data->length() == 0)
            continue; // Qt wrote nothing: reported by qtEncoded
        auto source = ImageSource::create(c.data);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), c.type);
        EXPECT_EQ(source->status(), ImageSourceStatus::Complete);
        ASSERT_EQ(source->count(), 1u);
        QImage image = source->imageAtIndex(0);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.hasAlphaChannel(), c.alpha);
        EXPECT_TRUE(pixelsMatch(image, qtDecoded(*c.data, c.format), c.tolerance));
        Id properties(source->propertiesAtIndex(0));
        EXPECT_EQ(properties[property::pixelWidth].integerValue(), image.width());
        EXPECT_EQ(properties[property::pixelHeight].integerValue(), image.height());
    }
}

TEST(ImageSourceFormats, JpegFedInChunksEndsEqualToTheWholeDecode)
{
    QImage picture = testPicture(160, 120, false, 6);
    for (auto data : {qtEncoded(picture, "jpeg", 85), progressiveJpeg(picture)}) {
        QImage whole = ImageSource::create(data)->imageAtIndex(0);
        std::mt19937 random(11);
        for (std::size_t step : {std::size_t(1), std::size_t(1024), std::size_t(0)}) {
            auto source = ImageSource::createIncremental();
            feedInChunks(*source, *data, step, random, step != 1);
            EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), whole)) << "step " << step;
        }
    }
}

TEST(ImageSourceFormats, ProgressiveJpegShowsItsScansAsTheyArrive)
{
    QImage picture = testPicture(160, 120, false, 8);
    auto data = progressiveJpeg(picture);
    auto source = ImageSource::createIncremental();
    source->update(prefix(*data, data->length() / 3), false);
    EXPECT_EQ(source->status(), ImageSourceStatus::Incomplete);
    ASSERT_EQ(source->count(), 1u);
    QImage early = source->imageAtIndex(0);
    ASSERT_FALSE(early.isNull());
    EXPECT_EQ(early.size(), picture.size());
    EXPECT_TRUE(pixelsMatch(early.copy(0, 0, 160, 16), qtDecoded(*data, "jpeg").copy(0, 0, 160, 16), 80))
        << "a coarse version of the picture's top";
    source->update(data, true);
    EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), qtDecoded(*data, "jpeg"), 2));
    EXPECT_FALSE(early == source->imageAtIndex(0)) << "later scans refine it";
}

TEST(ImageSourceFormats, TruncatedJpegGivesTheRowsItHas)
{
    auto data = qtEncoded(testPicture(64, 64, false), "jpeg", 90);
    auto source = ImageSource::create(prefix(*data, data->length() * 2 / 3));
    QImage image = source->imageAtIndex(0);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(pixelsMatch(image.copy(0, 0, 64, 8), qtDecoded(*data, "jpeg").copy(0, 0, 64, 8), 2));
}

TEST(ImageSourceFormats, DataCutBeforeTheImageEndsIsReportedAndShowsWhatItHas)
{
    QImage picture = testPicture(96, 64, false, 5);
    struct Case {
        const char* name;
        Ref<Data> data;
        // Bytes cut from the end for the second cut: the end marker's last byte, or where a JPEG
        // or a GIF lacks more than its end marker (without only that it is whole).
        std::size_t nearEnd = 1;
    };
    const std::vector<Case> cases = {
        {"png", qtEncoded(picture, "png")},
        {"jpeg", qtEncoded(picture, "jpeg", 90), 2 + 16},
        {"progressive jpeg", progressiveJpeg(picture), 2 + 16},
        {"gif", gifOfPicture(picture), 1 + 1},
        {"webp", qtEncoded(picture, "webp", 80)},
        {"bmp", qtEncoded(picture, "bmp")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.data && c.data->length() > 100);
        EXPECT_EQ(ImageSource::create(c.data)->status(), ImageSourceStatus::Complete);
        // Cut inside the pixels, and just before the end.
        for (std::size_t length : {c.data->length() * 2 / 3, c.data->length() - c.nearEnd}) {
            auto cut = ImageSource::create(prefix(*c.data, length));
            EXPECT_EQ(cut->status(), ImageSourceStatus::UnexpectedEOF) << length;
            ASSERT_EQ(cut->count(), 1u) << length;
            EXPECT_EQ(cut->imageAtIndex(0).size(), picture.size()) << length;
            // Data still arriving is not cut yet; its final update is.
            auto incremental = ImageSource::createIncremental();
            incremental->update(prefix(*c.data, length), false);
            EXPECT_EQ(incremental->status(), ImageSourceStatus::Incomplete) << length;
            incremental->update(prefix(*c.data, length), true);
            EXPECT_EQ(incremental->status(), ImageSourceStatus::UnexpectedEOF) << length;
        }
    }
}

TEST(ImageSourceFormats, AJpegOrGifWithoutItsEndWhoseRowsAllArrivedIsWhole)
{
    QImage picture = testPicture(96, 64, false, 5);
    struct Case {
        const char* name;
        Ref<Data> data;
        std::size_t endBytes; // the end marker: FF D9, or the trailer 3B
    };
    const std::vector<Case> cases = {
        {"jpeg", qtEncoded(picture, "jpeg", 90), 2},
        {"progressive jpeg", progressiveJpeg(picture), 2},
        {"gif", gifOfPicture(picture), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage whole = ImageSource::create(c.data)->imageAtIndex(0);
        const auto withoutEnd = prefix(*c.data, c.data->length() - c.endBytes);
        auto source = ImageSource::create(withoutEnd);
        EXPECT_EQ(source->status(), ImageSourceStatus::Complete);
        EXPECT_EQ(source->imageAtIndex(0), whole);
        auto incremental = ImageSource::createIncremental();
        incremental->update(withoutEnd, false);
        EXPECT_EQ(incremental->status(), ImageSourceStatus::Incomplete);
        incremental->update(withoutEnd, true);
        EXPECT_EQ(incremental->status(), ImageSourceStatus::Complete);
    }

    // A progressive file that stops between two scans shows every row, but not all of each: cut.
    const auto progressive = progressiveJpeg(picture);
    const auto bytes = progressive->span();
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xff && bytes[i + 1] == 0xda)
            lastScan = i;
    ASSERT_GT(lastScan, 0u);
    auto betweenScans = ImageSource::create(prefix(*progressive, lastScan));
    EXPECT_EQ(betweenScans->status(), ImageSourceStatus::UnexpectedEOF);
    EXPECT_EQ(betweenScans->imageAtIndex(0).size(), picture.size());
}

TEST(ImageSourceFormats, JpegOrientationIsReportedAndFramesStayAsStored)
{
    auto plain = qtEncoded(testPicture(40, 20, false), "jpeg", 95);
    QImage stored = ImageSource::create(plain)->imageAtIndex(0);
    EXPECT_TRUE(Id(ImageSource::create(plain)->propertiesAtIndex(0))[property::orientation].isNil());
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool bigEndian : {false, true}) {
            auto source = ImageSource::create(withOrientation(*plain, orientation, bigEndian));
            EXPECT_EQ(Id(source->propertiesAtIndex(0))[property::orientation].integerValue(), orientation);
            EXPECT_EQ(source->imageAtIndex(0), stored) << "frames are not turned";
        }
    }
    auto invalid = ImageSource::create(withOrientation(*plain, 9, false));
    EXPECT_TRUE(Id(invalid->propertiesAtIndex(0))[property::orientation].isNil());
}

TEST(ImageSourceFormats, WebPFedInChunksEndsEqualToTheWholeDecode)
{
    auto data = qtEncoded(testPicture(90, 70, true, 4), "webp", 100);
    QImage whole = ImageSource::create(data)->imageAtIndex(0);
    std::mt19937 random(3);
    for (std::size_t step : {std::size_t(1), std::size_t(1024), std::size_t(0)}) {
        auto source = ImageSource::createIncremental();
        feedInChunks(*source, *data, step, random, step != 1);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), whole)) << "step " << step;
    }
}

// How many rows from the top `partial` has as `whole` has them.
int leadingRowsMatching(const QImage& partial, const QImage& whole)
{
    int rows = 0;
    while (rows < whole.height() && pixelsMatch(partial.copy(0, rows, whole.width(), 1), whole.copy(0, rows, whole.width(), 1)))
        ++rows;
    return rows;
}

TEST(ImageSourceFormats, LossyWebPFedInThirdsShowsMoreRowsAfterEachPart)
{
    // The library's incremental decoder keeps what it was started with between updates; the second
    // part that is not final used to crash the process.
    for (bool alpha : {false, true}) {
        // Translucent columns on the left: alpha that takes little room before the colour data.
        QImage picture = testPicture(192, 160, false, 9).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; alpha && y < picture.height(); ++y)
            for (int x = 0; x < 48; ++x)
                picture.setPixel(x, y, (picture.pixel(x, y) & 0xffffff) | 0x80000000u);
        auto data = qtEncoded(picture, "webp", 75);
        QImage whole = ImageSource::create(data)->imageAtIndex(0);
        ASSERT_FALSE(whole.isNull());
        auto source = ImageSource::createIncremental();
        int rowsBefore = 0;
        for (std::size_t thirds : {1, 2}) {
            source->update(prefix(*data, data->length() * thirds / 3), false);
            QImage image = source->imageAtIndex(0);
            ASSERT_EQ(image.size(), whole.size()) << thirds << "/3, alpha " << alpha;
            int rows = leadingRowsMatching(image, whole);
            EXPECT_GT(rows, rowsBefore) << thirds << "/3, alpha " << alpha;
            EXPECT_LT(rows, whole.height()) << thirds << "/3, alpha " << alpha;
            rowsBefore = rows;
        }
        source->update(data, true);
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), whole)) << "alpha " << alpha;
    }
}

TEST(ImageSourceFormats, ADamagedWebPFedHalfThenWholeEndsWithoutACrash)
{
    // A 15 x 10249 lossy frame whose partitions are zeros: the library's incremental decoder,
    // given the whole file after its first half, jumped through a null pointer.
    const QByteArray frame = QByteArray::fromBase64(
        "VlA4ID4AAAAwAgCdASoPAAkoAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAMAAAAAAAMAAAkAAAAAAAAAAAAAAAADAAAAAAAAAAAAAAMAAAAAAAMAAAAAnQHCKg==");
    QByteArray file = "RIFF" + QByteArray(4, '\0') + "WEBP" + frame;
    const auto riffLength = std::uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = char((riffLength >> (8 * i)) & 0xff);
    auto whole = Data::create(std::span(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())));
    auto source = ImageSource::createIncremental();
    source->update(prefix(*whole, whole->length() / 2), false);
    source->imageAtIndex(0);
    source->update(whole, true);
    EXPECT_EQ(source->imageAtIndex(0).isNull(), ImageSource::create(whole)->imageAtIndex(0).isNull())
        << "the complete file gives what a one-pass decode gives";
}

TEST(ImageSourceFormats, HeicStillRoundTripsWhenAnEncoderExists)
{
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::heic, 1);
    if (!destination)
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, 128));
    destination->addImage(picture);
    auto data = destination->finalize();
    ASSERT_TRUE(data);
    auto source = ImageSource::create(data);
    EXPECT_EQ(source->type(), "public.heic");
    ASSERT_EQ(source->count(), 1u);
    EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0), picture, 16)) << "lossy at quality 1";
    auto partial = ImageSource::createIncremental();
    partial->update(prefix(*data, data->length() / 2), false);
    EXPECT_EQ(partial->count(), 0u) << "HEIF shows nothing before its data is complete";
}

namespace {

// A HEIF file whose last item kept in the item data box (the alpha picture's grid description)
// starts at that box's last byte and runs past it, into the item locations that follow; nil when
// the file has no such item.
Ref<Data> heifWithGridRunningPastItsData(const Data& file)
{
    std::string bytes(file.view());
    auto number = [&](std::size_t at, std::size_t size) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
        return value;
    };
    const std::size_t data = bytes.find("idat");
    const std::size_t locations = bytes.find("iloc");
    if (data == std::string::npos || locations == std::string::npos || data < 4)
        return nullptr;
    const std::uint64_t dataLength = number(data - 4, 4) - 8;
    const std::uint64_t version = number(locations + 4, 1);
    const std::size_t offsetSize = number(locations + 8, 1) >> 4, lengthSize = number(locations + 8, 1) & 0x0F;
    const std::size_t baseSize = number(locations + 9, 1) >> 4, indexSize = version > 0 ? number(locations + 9, 1) & 0x0F : 0;
    const std::size_t idSize = version < 2 ? 2 : 4;
    std::size_t cursor = locations + 10;
    const std::uint64_t items = number(cursor, idSize);
    cursor += idSize;
    std::size_t lastOffset = std::string::npos;
    for (std::uint64_t item = 0; item < items; ++item) {
        cursor += idSize;
        const std::uint64_t method = version > 0 ? number(cursor, 2) & 0x0F : 0;
        cursor += (version > 0 ? 2 : 0) + 2 + baseSize;
        const std::uint64_t extents = number(cursor, 2);
        cursor += 2;
        for (std::uint64_t extent = 0; extent < extents; ++extent) {
            cursor += indexSize;
            if (method == 1 && offsetSize == 4)
                lastOffset = cursor;
            cursor += offsetSize + lengthSize;
        }
    }
    if (lastOffset == std::string::npos || dataLength == 0)
        return nullptr;
    for (std::size_t i = 0; i < 4; ++i)
        bytes[lastOffset + i] = static_cast<char>((dataLength - 1) >> (8 * (3 - i)));
    return Data::create(bytes);
}

} // namespace

TEST(ImageSourceFormats, HeicGridRunningPastItsDataTakesLittleMemory)
{
    // Found by the fuzzer: the description read from the bytes after the item data asks for a
    // canvas of gigabytes, while the picture's size says 9 x 7. Whether a picture comes out
    // matters less than what the attempt costs: the child's peak memory, under a ceiling that
    // keeps a regression from taking the machine's.
    if (!testsupport::memoryLimitApplies())
        GTEST_SKIP() << "the sanitizers' address space leaves no memory ceiling to guard a regression";
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::heic, 1);
    if (!destination)
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    QImage picture(9, 7, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            picture.setPixelColor(x, y, QColor(x * 28, y * 36, x + y, x * 16));
    destination->addImage(picture);
    auto data = destination->finalize();
    ASSERT_TRUE(data);
    Ref<Data> hostile = heifWithGridRunningPastItsData(*data);
    ASSERT_TRUE(hostile) << "no grid kept in the item data of the encoder's file";
    testsupport::ChildOutcome outcome = testsupport::runLimited({0, std::uint64_t{4} << 30}, [&] {
        if (auto source = ImageSource::create(hostile); source && source->count() > 0)
            source->imageAtIndex(0);
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss < 256 * 1024 ? 0 : 1; // kilobytes
    });
    EXPECT_TRUE(outcome.exited) << outcome.describe();
    EXPECT_EQ(outcome.exitCode, 0) << "decoding took more than 256 MiB";
}

TEST(ImageSourceFormats, DamagedFilesGiveNoImageAndNoCrash)
{
    QImage picture = testPicture(50, 40, true, 1);
    std::vector<Ref<Data>> files = {qtEncoded(picture, "png"), qtEncoded(picture, "jpeg"),
        gifOfPicture(picture), qtEncoded(picture, "webp"),
        qtEncoded(picture, "tiff"), qtEncoded(picture, "bmp")};
    std::mt19937 random(17);
    for (const auto& file : files) {
        for (int round = 0; round < 40; ++round) {
            std::vector<std::uint8_t> bytes(file->bytes(), file->bytes() + file->length());
            for (int flips = 0; flips < 4; ++flips)
                bytes[8 + random() % (bytes.size() - 8)] ^= std::uint8_t(1 + random() % 255);
            auto source = ImageSource::create(Data::create(std::move(bytes)));
            for (std::size_t i = 0; i < source->count(); ++i) {
                QImage image = source->imageAtIndex(i);
                if (!image.isNull()) {
                    EXPECT_TRUE(graphics::imageLimits::allows(image.width(), image.height()));
                }
            }
        }
    }
}
