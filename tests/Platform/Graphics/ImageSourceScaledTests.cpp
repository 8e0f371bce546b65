#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"
#include "Platform/Graphics/LargePng.h"

#include <cstdio>
#include <jpeglib.h>
#include <vector>

using namespace graphicstest;
using foundation::Data;
using foundation::Ref;
using graphics::ImageSource;

namespace {

constexpr int kSide = 8000;
constexpr std::int64_t kMiB = 1024 * 1024;

const Ref<Data>& hugePng()
{
    static const Ref<Data> data = largePng(kSide, kSide, [](int x, int) { return redThenBlue(x, kSide); });
    return data;
}

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

TEST(ImageSourceScaled, ShrinksALargePngRowByRowWithoutItsWholeFrame)
{
    const auto source = ImageSource::create(hugePng());
    ASSERT_TRUE(source);
    const std::int64_t before = ResidentSize::now();
    ResidentSize::resetPeak();
    const QImage image = source->imageAtIndex(0, QSize(80, 80));
    const std::int64_t growth = ResidentSize::peak() - before;
    ASSERT_EQ(image.size(), QSize(80, 80));
    // Each target column covers 100 source columns: the halves meet exactly between 39 and 40.
    EXPECT_EQ(at(image, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 39, 79), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 40, 0), qRgb(0, 0, 255));
    EXPECT_EQ(at(image, 79, 79), qRgb(0, 0, 255));
    // The whole frame is 244 MiB.
    EXPECT_LT(growth, 32 * kMiB) << "peak grew by " << growth / kMiB << " MiB";
}

TEST(ImageSourceScaled, EachPixelIsTheMeanOfThePixelsItCovers)
{
    // 4 x 2 shrunk to 2 x 1: each target pixel averages a 2 x 2 block; the alpha block averages in
    // premultiplied form.
    QImage picture(4, 2, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0, 0, 0, 255));
    picture.setPixel(1, 0, qRgba(100, 200, 40, 255));
    picture.setPixel(0, 1, qRgba(200, 0, 80, 255));
    picture.setPixel(1, 1, qRgba(100, 40, 0, 255));
    picture.setPixel(2, 0, qRgba(255, 255, 255, 255));
    picture.setPixel(3, 0, qRgba(0, 0, 0, 0));
    picture.setPixel(2, 1, qRgba(0, 0, 0, 0));
    picture.setPixel(3, 1, qRgba(0, 0, 0, 0));
    const QImage image = ImageSource::create(qtEncoded(picture, "png"))->imageAtIndex(0, QSize(2, 1));
    ASSERT_EQ(image.size(), QSize(2, 1));
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(0));
    EXPECT_EQ(row[0], qRgba(100, 60, 30, 255));
    EXPECT_EQ(row[1], qRgba(64, 64, 64, 64)) << "premultiplied: a quarter of opaque white";
}

TEST(ImageSourceScaled, SizesAreClampedAndSmallerImagesComeAsStored)
{
    const QImage picture = testPicture(40, 30, true);
    const auto source = ImageSource::create(qtEncoded(picture, "png"));
    EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0, QSize(100, 100)), source->imageAtIndex(0)));
    EXPECT_EQ(source->imageAtIndex(0, QSize(100, 10)).size(), QSize(40, 10)) << "each side clamped";
    EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0, QSize()), source->imageAtIndex(0)));
}

TEST(ImageSourceScaled, InterlacedAndCutPngsShrinkToo)
{
    const auto interlaced = largePng(
        400, 300, [](int x, int) { return redThenBlue(x, 400); }, true);
    const QImage image = ImageSource::create(interlaced)->imageAtIndex(0, QSize(40, 30));
    ASSERT_EQ(image.size(), QSize(40, 30));
    EXPECT_EQ(at(image, 5, 15), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 35, 15), qRgb(0, 0, 255));

    // A download that stopped halfway: the rows so far, shrunk, over black.
    const auto whole = largePng(400, 400, [](int, int) { return 0x00ff00u; });
    auto source = ImageSource::createIncremental();
    source->update(
        Data::create(std::string_view(reinterpret_cast<const char*>(whole->bytes()), whole->length() / 2)),
        false);
    const QImage partial = source->imageAtIndex(0, QSize(40, 40));
    ASSERT_EQ(partial.size(), QSize(40, 40));
    EXPECT_EQ(at(partial, 20, 2), qRgb(0, 255, 0));
    EXPECT_EQ(at(partial, 20, 39), qRgb(0, 0, 0));
}

TEST(ImageSourceScaled, JpegsDecodeAtTheSmallestDctScaleThatCoversTheSize)
{
    QImage picture(4000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = x < 2000 ? qRgb(250, 10, 10) : qRgb(10, 10, 250);
    }
    const auto data = qtEncoded(picture, "jpeg", 90);
    picture = QImage();
    const auto source = ImageSource::create(data);
    const std::int64_t before = ResidentSize::now();
    ResidentSize::resetPeak();
    const QImage image = source->imageAtIndex(0, QSize(100, 60));
    const std::int64_t growth = ResidentSize::peak() - before;
    ASSERT_EQ(image.size(), QSize(100, 60));
    EXPECT_LT(qBlue(image.pixel(10, 30)), 40);
    EXPECT_GT(qRed(image.pixel(10, 30)), 220);
    EXPECT_GT(qBlue(image.pixel(90, 30)), 220);
    // The whole frame is 61 MiB; an eighth of each side is under 1 MiB.
    EXPECT_LT(growth, 16 * kMiB) << "peak grew by " << growth / kMiB << " MiB";
}

} // namespace

namespace {

// A progressive 4:4:4 JPEG of one grey, written row by row with libjpeg.
Ref<Data> progressiveJpeg(int side)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(side);
    info.image_height = JDIMENSION(side);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 50, TRUE);
    for (int i = 0; i < 3; ++i)
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(side) * 3, 128);
    JSAMPROW rows[1] = { row.data() };
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    auto data = Data::create(std::string_view(reinterpret_cast<const char*>(buffer), size));
    std::free(buffer);
    return data;
}

TEST(ImageSourceScaled, ProgressiveJpegsPastTheirCoefficientCeilingAreRefusedFromTheHeader)
{
    // 6000 x 6000 at 4:4:4 holds 206 MiB of coefficients whatever the size asked for.
    const auto large = progressiveJpeg(6000);
    const auto whole = ImageSource::create(large);
    ASSERT_EQ(whole->count(), 1u);
    const std::int64_t before = ResidentSize::now();
    ResidentSize::resetPeak();
    EXPECT_TRUE(whole->imageAtIndex(0, QSize(64, 64)).isNull());
    EXPECT_TRUE(whole->imageAtIndex(0).isNull());
    const auto incremental = ImageSource::createIncremental();
    incremental->update(
        Data::create(std::string_view(reinterpret_cast<const char*>(large->bytes()), large->length() / 2)),
        false);
    EXPECT_TRUE(incremental->imageAtIndex(0, QSize(64, 64)).isNull());
    incremental->update(large, true);
    EXPECT_TRUE(incremental->imageAtIndex(0, QSize(64, 64)).isNull());
    const std::int64_t growth = ResidentSize::peak() - before;
    EXPECT_LT(growth, 16 * kMiB) << "peak grew by " << growth / kMiB << " MiB";

    // Below the ceiling a progressive file decodes on both roads.
    const auto small = progressiveJpeg(1000);
    EXPECT_EQ(ImageSource::create(small)->imageAtIndex(0, QSize(64, 64)).size(), QSize(64, 64));
    const auto arriving = ImageSource::createIncremental();
    arriving->update(small, true);
    EXPECT_EQ(arriving->imageAtIndex(0).size(), QSize(1000, 1000));
}

} // namespace
