#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Graphics/ImageSource.h"

#include <array>
#include <csetjmp>
#include <cstdio>
// clang-format off: jpeglib.h needs stdio first
#include <jpeglib.h>
// clang-format on

using namespace graphicstest;
using foundation::Data;
using foundation::Ref;
using graphics::ImageSource;

namespace {

// How much of each ink a colour takes (0 none, 255 full), and the RGB it stands for.
struct InkColour {
    std::array<std::uint8_t, 4> ink; // C, M, Y, K
    QRgb rgb;
};

const std::array<InkColour, 6> colours = {{
    {{255, 0, 0, 0}, qRgb(0, 255, 255)},
    {{0, 255, 0, 0}, qRgb(255, 0, 255)},
    {{0, 0, 255, 0}, qRgb(255, 255, 0)},
    {{0, 0, 0, 255}, qRgb(0, 0, 0)},
    {{0, 0, 0, 0}, qRgb(255, 255, 255)},
    {{64, 128, 192, 32}, qRgb(167, 111, 55)},
}};

constexpr int blockColumns = 6;
constexpr int blockRows = 12;

// The colour of the 8x8 block at (column, row): each row of blocks shifts the colours by one.
const InkColour& colourAt(int column, int row)
{
    return colours[std::size_t(column + row) % colours.size()];
}

enum class Storage { Cmyk, Ycck, CmykWithoutAdobe };

bool writeBlocks(jpeg_compress_struct& info, std::jmp_buf& jump, Storage storage, bool progressive)
{
    if (setjmp(jump))
        return false;
    info.image_width = blockColumns * 8;
    info.image_height = blockRows * 8;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, storage == Storage::Ycck ? JCS_YCCK : JCS_CMYK);
    // Full-resolution channels keep flat blocks flat: colours are checked up to the block edges.
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (storage == Storage::CmykWithoutAdobe)
        info.write_Adobe_marker = FALSE;
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(std::size_t(info.image_width) * 4);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < int(info.image_width); ++x) {
            auto ink = colourAt(x / 8, int(info.next_scanline) / 8).ink;
            for (std::size_t c = 0; c < 4; ++c)
                row[std::size_t(x) * 4 + c] = storage == Storage::CmykWithoutAdobe ? ink[c] : 255 - ink[c];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

struct Compressor {
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    std::jmp_buf jump {};
};

// The block picture as a four-channel JPEG written by libjpeg, which stores inverted values behind an
// Adobe segment and plain ones without it.
Ref<Data> cmykJpeg(Storage storage, bool progressive = false)
{
    Compressor compressor;
    compressor.info.err = jpeg_std_error(&compressor.errors);
    compressor.errors.error_exit = [](j_common_ptr common) {
        std::longjmp(static_cast<Compressor*>(common->client_data)->jump, 1);
    };
    compressor.info.client_data = &compressor;
    jpeg_create_compress(&compressor.info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compressor.info, &buffer, &size);
    bool ok = writeBlocks(compressor.info, compressor.jump, storage, progressive);
    jpeg_destroy_compress(&compressor.info);
    std::vector<std::uint8_t> bytes;
    if (ok)
        bytes.assign(buffer, buffer + size);
    std::free(buffer);
    EXPECT_TRUE(ok);
    return Data::create(std::move(bytes));
}

bool hasAdobeSegment(const Data& jpeg)
{
    static constexpr std::uint8_t adobe[] = {0xff, 0xee};
    auto span = jpeg.span();
    auto found = std::search(span.begin(), span.end(), std::begin(adobe), std::end(adobe));
    return found != span.end() && std::equal(found + 4, found + 9, "Adobe");
}

// Checks block rows [from, to) of `image` against the colours they stand for.
::testing::AssertionResult blocksMatch(const QImage& image, int from, int to, int tolerance)
{
    if (image.isNull())
        return ::testing::AssertionFailure() << "null image";
    if (image.width() != blockColumns * 8 || image.height() != blockRows * 8)
        return ::testing::AssertionFailure() << "size " << image.width() << "x" << image.height();
    for (int y = from * 8; y < to * 8; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QRgb actual = image.pixel(x, y);
            QRgb expected = colourAt(x / 8, y / 8).rgb;
            int worst = std::max({std::abs(qRed(actual) - qRed(expected)),
                std::abs(qGreen(actual) - qGreen(expected)), std::abs(qBlue(actual) - qBlue(expected))});
            if (worst > tolerance || qAlpha(actual) != 255)
                return ::testing::AssertionFailure()
                    << "pixel (" << x << "," << y << ") " << std::hex << actual << " vs " << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

Ref<Data> firstBytes(const Data& data, std::size_t length)
{
    return Data::create(data.span().first(length));
}

// Where the entropy-coded data of the first scan starts.
std::size_t firstScanData(const Data& jpeg)
{
    auto span = jpeg.span();
    for (std::size_t i = 2; i + 3 < span.size();) {
        std::size_t length = std::size_t(span[i + 2]) << 8 | span[i + 3];
        if (span[i + 1] == 0xda)
            return i + 2 + length;
        i += 2 + length;
    }
    return span.size();
}

// Where the header of scan `number` (from 1) starts: entropy-coded data escapes every 0xff, so the
// start-of-scan markers are found by their bytes.
std::size_t scanStart(const Data& jpeg, int number)
{
    static constexpr std::uint8_t startOfScan[] = {0xff, 0xda};
    auto span = jpeg.span();
    auto at = span.begin();
    for (int n = 0; n < number && at != span.end(); ++n) {
        at = std::search(n == 0 ? at : at + 2, span.end(), std::begin(startOfScan), std::end(startOfScan));
    }
    return std::size_t(at - span.begin());
}

struct Case {
    const char* name;
    Storage storage;
};
const Case cases[] = {
    {"CMYK", Storage::Cmyk},
    {"YCCK", Storage::Ycck},
    {"CMYK without an Adobe segment", Storage::CmykWithoutAdobe},
};

constexpr int tolerance = 3;

} // namespace

TEST(ImageSourceCmykJpeg, WholeDataDecodesToTheInksColours)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = cmykJpeg(c.storage);
        ASSERT_EQ(hasAdobeSegment(*data), c.storage != Storage::CmykWithoutAdobe);
        auto source = ImageSource::create(data);
        ASSERT_EQ(source->count(), 1u);
        QImage image = source->imageAtIndex(0);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_TRUE(blocksMatch(image, 0, blockRows, tolerance));
    }
}

TEST(ImageSourceCmykJpeg, DataInPartsShowsTheRowsSoFarAndEndsEqualToTheWhole)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = cmykJpeg(c.storage);
        std::size_t scan = firstScanData(*data);
        ASSERT_LT(scan, data->length());
        auto source = ImageSource::createIncremental();
        source->update(firstBytes(*data, scan - 20), false);
        EXPECT_TRUE(source->imageAtIndex(0).isNull()) << "no row yet";
        source->update(firstBytes(*data, scan + (data->length() - scan) / 2), false);
        QImage partial = source->imageAtIndex(0);
        EXPECT_TRUE(blocksMatch(partial, 0, 2, tolerance));
        ASSERT_FALSE(partial.isNull());
        EXPECT_EQ(partial.pixel(0, partial.height() - 1), qRgb(0, 0, 0)) << "the last rows are not in yet";
        source->update(data, true);
        EXPECT_TRUE(blocksMatch(source->imageAtIndex(0), 0, blockRows, tolerance));

        // A short final update reads the rows it has through the whole-data decoder.
        auto truncated = ImageSource::create(firstBytes(*data, scan + (data->length() - scan) / 2));
        EXPECT_TRUE(blocksMatch(truncated->imageAtIndex(0), 0, 2, tolerance));
    }
}

TEST(ImageSourceCmykJpeg, ProgressiveScansShowTheColoursEarly)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = cmykJpeg(c.storage, true);
        auto source = ImageSource::createIncremental();
        // Five scans: the mean of every channel, then its first few frequencies; flat blocks need
        // little more.
        std::size_t sixth = scanStart(*data, 6);
        ASSERT_LT(sixth, data->length());
        source->update(firstBytes(*data, sixth), false);
        EXPECT_TRUE(blocksMatch(source->imageAtIndex(0), 0, blockRows, 4 * tolerance));
        source->update(data, true);
        EXPECT_TRUE(blocksMatch(source->imageAtIndex(0), 0, blockRows, tolerance));
        EXPECT_TRUE(blocksMatch(ImageSource::create(data)->imageAtIndex(0), 0, blockRows, tolerance));
    }
}

