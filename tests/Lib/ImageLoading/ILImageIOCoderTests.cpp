#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageHEICCoder.h"
#include "Lib/ImageLoading/ILImageIOCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Lib/ImageLoading/ILTestImages.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/PngTestFiles.h"
#include "Support/HandWrittenImages.h"

#include <QTransform>
#include <gtest/gtest.h>
#include <random>

namespace {

using namespace iltest;
using graphics::Image;

// A picture whose quarters differ, so every turn and mirror is visible.
QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                x < width / 2 ? (y < height / 2 ? 0xFFFF0000u : 0xFF00FF00u)
                              : (y < height / 2 ? 0xFF0000FFu : 0xFFFFFF00u));
    return image;
}

// How EXIF orientations turn the stored pixels upright, as QTransform and mirror steps.
QImage expectedUpright(const QImage& stored, int orientation)
{
    const QTransform quarter = QTransform().rotate(90);
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.transformed(QTransform().rotate(180));
    case 4:
        return stored.mirrored(false, true);
    case 5:
        return stored.transformed(QTransform(0, 1, 1, 0, 0, 0)); // transpose: x ↔ y
    case 6:
        return stored.transformed(quarter);
    case 7:
        return stored.transformed(QTransform(0, -1, -1, 0, 0, 0)); // transverse
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}

Ref<Image> feedInChunks(const Ref<Data>& data, const std::vector<std::size_t>& cuts, int* partialImages)
{
    auto coder = std::dynamic_pointer_cast<ILImageIOCoder>(
        ILImageIOCoder::sharedCoder()->initIncrementalWithOptions(nullptr));
    Ref<Image> last;
    for (std::size_t cut : cuts) {
        coder->updateIncrementalData(prefix(data, cut), cut >= data->length());
        if (auto image = coder->incrementalDecodedImageWithOptions(nullptr)) {
            last = image;
            ++*partialImages;
        }
    }
    return last;
}

TEST(ILImageIOCoder, TurnsEachEXIFOrientationUpright)
{
    const QImage stored = quarters(64, 32);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const auto data = jpegWithOrientation(stored, orientation);
        const auto image = ILImageIOCoder::sharedCoder()->decodedImageWithData(data, nullptr);
        ASSERT_TRUE(image);
        const QImage expected = expectedUpright(stored, orientation);
        EXPECT_EQ(image->image().size(), expected.size());
        // JPEG blurs the edges between quarters; the quarter centres are exact enough.
        const int w = expected.width(), h = expected.height();
        for (QPoint p : { QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                 QPoint(3 * w / 4, 3 * h / 4) }) {
            const QRgb got = image->image().pixel(p);
            const QRgb want = expected.pixel(p);
            EXPECT_LE(std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want))
                    + std::abs(qBlue(got) - qBlue(want)),
                24)
                << p.x() << "," << p.y();
        }
    }
}

TEST(ILImageIOCoder, RedrawingUprightSwapsSidesForTheQuarterTurns)
{
    const QImage stored = graphicstest::testPicture(5, 3, true);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QImage upright = ILImageCoderHelper::CGImageCreateDecoded(stored, orientation);
        EXPECT_TRUE(graphicstest::pixelsMatch(upright, expectedUpright(stored, orientation))) << orientation;
        EXPECT_EQ(upright.format(), QImage::Format_ARGB32_Premultiplied);
    }
    EXPECT_EQ(ILImageCoderHelper::CGImageCreateDecoded(graphicstest::testPicture(5, 3, false), 6).size(),
        QSize(3, 5));
    EXPECT_EQ(ILImageCoderHelper::CGImageCreateDecoded(graphicstest::testPicture(5, 3, false), 6).format(),
        QImage::Format_RGB32);
    EXPECT_TRUE(ILImageCoderHelper::CGImageCreateDecoded(QImage(), 6).isNull());
}

TEST(ILImageIOCoder, ChunkedFeedingEndsEqualToTheWholeDecode)
{
    const QImage picture = graphicstest::testPicture(40, 30, true);
    const auto png = graphicstest::qtEncoded(picture, "png");
    const auto interlaced = Data::create(graphicstest::interlacedPng(picture));
    const auto jpeg = graphicstest::qtEncoded(graphicstest::testPicture(40, 30, false), "jpeg", 90);
    std::mt19937 random(7);
    for (const Ref<Data>& data : std::vector<Ref<Data>> { png, interlaced, jpeg }) {
        const QImage whole = ILImageIOCoder::sharedCoder()->decodedImageWithData(data, nullptr)->image();
        for (std::size_t step : { std::size_t(1), std::size_t(1024), std::size_t(0) }) {
            std::vector<std::size_t> cuts;
            for (std::size_t cut = 0; cut < data->length();) {
                cut += step ? step : 1 + random() % 700;
                cuts.push_back(std::min(cut, data->length()));
            }
            int partials = 0;
            const auto last = feedInChunks(data, cuts, &partials);
            ASSERT_TRUE(last) << step;
            EXPECT_TRUE(graphicstest::pixelsMatch(last->image(), whole)) << step;
            EXPECT_GE(partials, 1);
        }
    }
}

TEST(ILImageIOCoder, IncrementalImageWaitsForTheSizeAndUsesTheOptionsScale)
{
    const auto png = graphicstest::qtEncoded(graphicstest::testPicture(40, 30, false), "png");
    auto coder
        = std::dynamic_pointer_cast<ILImageIOCoder>(ILImageIOCoder::sharedCoder()->initIncrementalWithOptions(
            Dictionary::create({ { Id(ILImageCoderDecodeScaleFactor), Id(2.0) } })));
    coder->updateIncrementalData(prefix(png, 8), false);
    EXPECT_EQ(coder->incrementalDecodedImageWithOptions(nullptr), nullptr);
    coder->updateIncrementalData(png, true);
    const auto image = coder->incrementalDecodedImageWithOptions(nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->size(), QSizeF(20, 15));
    EXPECT_EQ(il_imageFormat(image), ILImageFormatPNG);
    const auto atThree = coder->incrementalDecodedImageWithOptions(
        Dictionary::create({ { Id(ILImageCoderDecodeScaleFactor), Id(3.0) } }));
    EXPECT_EQ(atThree->scale(), 3);
    // Data after the final update is ignored.
    coder->updateIncrementalData(
        graphicstest::qtEncoded(graphicstest::testPicture(4, 4, false), "png"), true);
    EXPECT_EQ(coder->incrementalDecodedImageWithOptions(nullptr)->image().size(), QSize(40, 30));
}

// An image whose shrunk decode the sources refuse (a lossless WebP of 8000 x 8000: its decoder holds
// every pixel whatever the size asked) is not decoded whole instead, on either road: nothing is
// shown rather than a quarter of a gigabyte held.
TEST(ILImageIOCoder, AnImageRefusedAtItsSizeIsNotDecodedWholeInstead)
{
    const auto bytes = testimages::losslessWebP(8000, 0xff2878c8u);
    const auto data = foundation::Data::create(std::span<const std::uint8_t>(bytes));
    const auto& coder = ILImageWebPCoder::sharedCoder();
    ASSERT_TRUE(coder->canDecodeFromData(data));
    EXPECT_EQ(coder->decodedImageWithData(data, nullptr), nullptr) << "the pixel limit's shrink";
    const auto inABox = Dictionary::create({ { Id(ILImageCoderDecodeThumbnailPixelSize),
        Id(foundation::Array::create({ Id(64), Id(64) })) } });
    EXPECT_EQ(coder->decodedImageWithData(data, inABox), nullptr) << "a box";
    const auto incremental = std::dynamic_pointer_cast<ILProgressiveImageCoder>(coder->initIncrementalWithOptions(nullptr));
    ASSERT_TRUE(incremental);
    incremental->updateIncrementalData(data, true);
    EXPECT_EQ(incremental->incrementalPixelSize(), QSize(8000, 8000));
    EXPECT_EQ(incremental->incrementalDecodedImageWithOptions(nullptr), nullptr);
    // A small one of the same kind still decodes.
    const auto small = testimages::losslessWebP(16, 0xff2878c8u);
    const auto decoded
        = coder->decodedImageWithData(foundation::Data::create(std::span<const std::uint8_t>(small)), nullptr);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->image().size(), QSize(16, 16));
}

TEST(ILImageIOCoder, UndefinedDataIsAttemptedAndHEICFollowsTheBuild)
{
    const auto html = Data::create(std::string_view("<html><body>not found</body></html>"));
    EXPECT_TRUE(ILImageIOCoder::sharedCoder()->canDecodeFromData(html));
    EXPECT_EQ(ILImageIOCoder::sharedCoder()->decodedImageWithData(html, nullptr), nullptr);
    const std::string msf1 = std::string("\0\0\0\x18", 4) + "ftypmsf1" + std::string(8, '\0');
    const auto heif = Data::create(std::string_view(msf1));
    EXPECT_EQ(il_imageFormatForImageData(heif), ILImageFormatHEIF);
    const auto& types = graphics::ImageSource::typeIdentifiers();
    const bool heifDecodes = std::find(types.begin(), types.end(), "public.heif") != types.end();
    EXPECT_EQ(ILImageIOCoder::sharedCoder()->canDecodeFromData(heif), heifDecodes);
    EXPECT_EQ(ILImageHEICCoder::sharedCoder()->canDecodeFromData(heif), heifDecodes);
    EXPECT_FALSE(ILImageHEICCoder::sharedCoder()->canDecodeFromData(html));
    EXPECT_EQ(ILImageIOCoder::sharedCoder()->canEncodeToFormat(ILImageFormatHEIC),
        graphics::ImageDestination::create(graphics::typeIdentifier::heic, 1) != nullptr);
}

TEST(ILImageIOCoder, HEICRoundTripWhenTheBuildHasAnEncoder)
{
    if (!ILImageHEICCoder::canEncodeToHEICFormat() || !ILImageHEICCoder::canDecodeFromHEICFormat())
        GTEST_SKIP() << "libheif has no HEIC encoder or decoder here";
    const auto image = Image::create(graphicstest::testPicture(64, 48, false));
    const auto data = ILImageIOCoder::sharedCoder()->encodedDataWithImage(image, ILImageFormatHEIC, nullptr);
    ASSERT_TRUE(data);
    EXPECT_EQ(il_imageFormatForImageData(data), ILImageFormatHEIC);
    const auto decoded = ILImageIOCoder::sharedCoder()->decodedImageWithData(data, nullptr);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->image().size(), QSize(64, 48));
}

} // namespace
