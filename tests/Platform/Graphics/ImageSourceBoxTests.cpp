#include "Platform/Foundation/Sanitizers.h"
#include "Platform/Graphics/GifTestFiles.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"
#include "Platform/Graphics/LargePng.h"
#include "Support/HandWrittenImages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <jpeglib.h>
#include <malloc.h>
#include <map>
#include <tiffio.h>
#include <webp/encode.h>
#include <zlib.h>

// Every format the sources read, at 8000 x 8000, asked for at a small box: each decodes at the box,
// or is refused before anything is allocated when its decoder would hold more than the ceiling.

using namespace graphicstest;
using foundation::Data;
using foundation::Ref;
using graphics::ImageSource;

namespace imagesourcebox {
namespace {

constexpr int kSide = 8000;
constexpr std::int64_t kMiB = 1024 * 1024;
constexpr QRgb kColour = 0xff2878c8u;

Ref<Data> dataOf(const std::vector<std::uint8_t>& bytes)
{
    return Data::create(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Baseline or progressive 4:2:0, written row by row.
Ref<Data> plainJpeg(int side)
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
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(side) * 3);
    for (int x = 0; x < side; ++x) {
        row[std::size_t(x) * 3] = JSAMPLE(qRed(kColour));
        row[std::size_t(x) * 3 + 1] = JSAMPLE(qGreen(kColour));
        row[std::size_t(x) * 3 + 2] = JSAMPLE(qBlue(kColour));
    }
    JSAMPROW rows[1] = { row.data() };
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    auto data = Data::create(std::string_view(reinterpret_cast<const char*>(buffer), size));
    std::free(buffer);
    return data;
}

// A small progressive JPEG whose frame header claims 8000 x 8000: its coefficients would take
// 366 MiB, so it must be refused from the header alone.
Ref<Data> progressiveJpegClaimingTheSide()
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(kColour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(picture));
    const qsizetype frame = bytes.indexOf("\xff\xc2");
    EXPECT_GT(frame, 0) << "progressive frame header";
    for (int i = 0; i < 2; ++i) {
        bytes[frame + 5 + i] = char(i == 0 ? kSide >> 8 : kSide & 0xff);
        bytes[frame + 7 + i] = char(i == 0 ? kSide >> 8 : kSide & 0xff);
    }
    return bytesOf(bytes);
}

Ref<Data> plainGif()
{
    GifTestFrame frame;
    frame.rect = QRect(0, 0, kSide, kSide);
    frame.palette = { kColour };
    frame.indices.assign(std::size_t(kSide) * kSide, 0);
    frame.delay = -1;
    return gifFile(kSide, kSide, { frame });
}

// Coding 8000 x 8000 takes the encoder seconds: a small coded image stands in for it, its size
// property saying 8000 x 8000, which is what a decoder that cannot scale is judged by. `brand` is
// written as the major one.
Ref<Data> heifClaimingTheSide(const char* brand)
{
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(kColour);
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::heic, 1);
    destination->addImage(picture);
    const Ref<Data> coded = destination->finalize();
    if (!coded)
        return nullptr;
    std::vector<std::uint8_t> bytes(coded->bytes(), coded->bytes() + coded->length());
    std::memcpy(bytes.data() + 8, brand, 4);
    const auto ispe = std::search(bytes.begin(), bytes.end(), std::begin("ispe"), std::end("ispe") - 1);
    EXPECT_NE(ispe, bytes.end());
    for (int i = 0; ispe != bytes.end() && i < 8; ++i)
        *(ispe + 8 + i) = std::uint8_t(i % 4 == 2 ? kSide >> 8 : i % 4 == 3 ? kSide & 0xff : 0);
    return dataOf(bytes);
}

// A lossy still of one grey, its planes filled without converting a picture.
Ref<Data> lossyWebP()
{
    WebPConfig config;
    WebPConfigInit(&config);
    config.method = 0;
    config.quality = 50;
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.width = kSide;
    picture.height = kSide;
    if (!WebPPictureAlloc(&picture))
        return nullptr;
    std::memset(picture.y, 128, std::size_t(picture.y_stride) * kSide);
    std::memset(picture.u, 128, std::size_t(picture.uv_stride) * ((kSide + 1) / 2));
    std::memset(picture.v, 128, std::size_t(picture.uv_stride) * ((kSide + 1) / 2));
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    EXPECT_TRUE(WebPEncode(&config, &picture));
    WebPPictureFree(&picture);
    auto data = Data::create(std::string_view(reinterpret_cast<const char*>(writer.mem), writer.size));
    WebPMemoryWriterClear(&writer);
    return data;
}

// LZW strips of libtiff's default size, written row by row through a file.
Ref<Data> stripedTiff()
{
    char name[] = "/tmp/box-tiff-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    TIFF* tiff = TIFFFdOpen(fd, name, "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(kSide));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(kSide));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<std::uint8_t> row(std::size_t(kSide) * 3);
    for (std::size_t i = 0; i < row.size(); i += 3) {
        row[i] = std::uint8_t(qRed(kColour));
        row[i + 1] = std::uint8_t(qGreen(kColour));
        row[i + 2] = std::uint8_t(qBlue(kColour));
    }
    for (int y = 0; y < kSide; ++y)
        TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
    TIFFClose(tiff);
    std::vector<std::uint8_t> bytes;
    if (FILE* file = std::fopen(name, "rb")) {
        std::uint8_t chunk[65536];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(file);
    }
    std::remove(name);
    return dataOf(bytes);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// `bits` 1: uncompressed rows, bottom-up; `bits` 8: run-length coded, top-down.
Ref<Data> plainBmp(int bits)
{
    const bool runs = bits == 8;
    std::vector<std::uint8_t> pixels;
    if (runs) {
        for (int y = 0; y < kSide; ++y) {
            for (int left = kSide; left > 0; left -= 255) {
                pixels.push_back(std::uint8_t(std::min(left, 255)));
                pixels.push_back(0);
            }
            pixels.insert(pixels.end(), { 0, 0 });
        }
        pixels.insert(pixels.end(), { 0, 1 });
    } else {
        pixels.assign(std::size_t((kSide + 31) / 32 * 4) * kSide, 0);
    }
    const std::uint32_t paletteBytes = bits == 1 ? 8 : 1024;
    const std::uint32_t offset = 14 + 40 + paletteBytes;
    std::vector<std::uint8_t> out = { 'B', 'M' };
    put32(out, offset + std::uint32_t(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, kSide);
    put32(out, runs ? std::uint32_t(-kSide) : std::uint32_t(kSide));
    put16(out, 1);
    put16(out, std::uint32_t(bits));
    put32(out, runs ? 1 : 0);
    put32(out, std::uint32_t(pixels.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (std::uint32_t i = 0; i < paletteBytes / 4; ++i)
        put32(out, kColour & 0xffffff);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return dataOf(out);
}

// One colour, each row after the first filtered as "up" (all zeros), so that run-length deflating
// keeps writing it cheap.
Ref<Data> plainPng(bool interlaced)
{
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp writer, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(writer));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB,
        interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, 0, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    std::vector<std::uint8_t> row(std::size_t(kSide) * 3);
    for (std::size_t i = 0; i < row.size(); i += 3) {
        row[i] = std::uint8_t(qRed(kColour));
        row[i + 1] = std::uint8_t(qGreen(kColour));
        row[i + 2] = std::uint8_t(qBlue(kColour));
    }
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < kSide; ++y)
            png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return dataOf(bytes);
}

const Ref<Data>& plainRowsPng()
{
    static const Ref<Data> png = plainPng(false);
    return png;
}

// An icon whose one image is a PNG of the whole side.
Ref<Data> plainIco()
{
    const Ref<Data>& png = plainRowsPng();
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.insert(out.end(), { 0, 0, 0, 0 });
    put16(out, 1);
    put16(out, 32);
    put32(out, std::uint32_t(png->length()));
    put32(out, 22);
    out.insert(out.end(), png->bytes(), png->bytes() + png->length());
    return dataOf(out);
}

struct Sample {
    std::string name;
    std::function<Ref<Data>()> make;
    bool refused = false; // its decoder would hold more than the ceiling at any box
    QRgb colour = kColour;
};

// The samples of each type the sources read. A type missing here fails the test below.
const std::map<std::string, std::vector<Sample>>& samples()
{
    static const std::map<std::string, std::vector<Sample>> table = {
        { "public.jpeg",
            { { "baseline", [] { return plainJpeg(kSide); } },
                { "progressive", progressiveJpegClaimingTheSide, true } } },
        { "public.png",
            { { "rows", [] { return plainPng(false); } }, { "interlaced", [] { return plainPng(true); } } } },
        { "com.compuserve.gif", { { "still", plainGif } } },
        { "public.tiff", { { "strips", stripedTiff } } },
        { "public.webp",
            { { "lossy", lossyWebP, false, qRgb(130, 130, 130) },
                { "lossless", [] { return dataOf(testimages::losslessWebP(kSide, kColour)); }, true } } },
        { "public.heic", { { "still", [] { return heifClaimingTheSide("heic"); }, true } } },
        { "public.heif", { { "still", [] { return heifClaimingTheSide("mif1"); }, true } } },
        { "com.microsoft.bmp",
            { { "rows", [] { return plainBmp(1); } }, { "runs", [] { return plainBmp(8); } } } },
        { "com.microsoft.ico", { { "png", plainIco, true } } },
    };
    return table;
}

// The peak growth of the resident size while `decode` runs, in bytes.
std::int64_t peakGrowth(const std::function<void()>& decode)
{
    // Heap freed earlier (by the samples' writers) would otherwise be reused unseen.
    malloc_trim(0);
    const std::int64_t before = ResidentSize::now();
    ResidentSize::resetPeak();
    decode();
    return ResidentSize::peak() - before;
}

void expectDecodedAtTheBox(const QImage& image, QSize box, const Sample& sample, const std::string& what)
{
    if (sample.refused) {
        EXPECT_TRUE(image.isNull()) << what << ": a decode past the ceiling is refused";
        return;
    }
    ASSERT_EQ(image.size(), box) << what;
    const QRgb centre = image.pixel(box.width() / 2, box.height() / 2);
    EXPECT_NEAR(qRed(centre), qRed(sample.colour), 6) << what;
    EXPECT_NEAR(qGreen(centre), qGreen(sample.colour), 6) << what;
    EXPECT_NEAR(qBlue(centre), qBlue(sample.colour), 6) << what;
}

TEST(ImageSourceBox, EveryFormatDecodesAtTheBoxOrIsRefusedBeforeAllocating)
{
    const QSize box(64, 64);
    // The box is 16 KB; the whole frame 244 MiB. A sanitizer's allocator keeps freed blocks in
    // quarantine, so the strips and rows a decoder frees one after another add up there.
    const std::int64_t bound = (foundation::kSanitizerAllocator ? 64 : 8) * kMiB;
    for (const std::string& type : ImageSource::typeIdentifiers()) {
        const auto found = samples().find(type);
        if (found == samples().end()) {
            ADD_FAILURE() << type << " has no sample: add one above";
            continue;
        }
        for (const Sample& sample : found->second) {
            const std::string what = type + " " + sample.name;
            Ref<Data> data = sample.make();
            ASSERT_TRUE(data) << what;
            ASSERT_EQ(ImageSource::typeOfData(*data), type) << what;

            const auto whole = ImageSource::create(data);
            ASSERT_EQ(whole->count(), 1u) << what;
            QImage image;
            std::int64_t growth = peakGrowth([&] { image = whole->imageAtIndex(0, box); });
            expectDecodedAtTheBox(image, box, sample, what + " (whole data)");
            EXPECT_LT(growth, bound) << what << " (whole data): peak grew by " << growth / kMiB << " MiB";

            const auto arriving = ImageSource::createIncremental();
            arriving->update(Data::create(std::string_view(
                                 reinterpret_cast<const char*>(data->bytes()), data->length() / 2)),
                false);
            growth = peakGrowth([&] { image = arriving->imageAtIndex(0, box); });
            EXPECT_LT(growth, bound) << what << " (half the data): peak grew by " << growth / kMiB << " MiB";
            if (sample.refused) {
                EXPECT_TRUE(image.isNull()) << what << " (half the data)";
            }
            arriving->update(data, true);
            growth = peakGrowth([&] { image = arriving->imageAtIndex(0, box); });
            expectDecodedAtTheBox(image, box, sample, what + " (arrived in parts)");
            EXPECT_LT(growth, bound) << what << " (arrived in parts): peak grew by " << growth / kMiB
                                     << " MiB";
        }
    }
}

TEST(ImageSourceBox, TheHandWrittenLosslessWebPIsAWholeImage)
{
    const QImage image = ImageSource::create(dataOf(testimages::losslessWebP(16, kColour)))->imageAtIndex(0);
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(15, 15), kColour);
}

TEST(ImageSourceBox, FormatsThatShrinkWhileReadingGiveThePixelsOfTheRowScaler)
{
    // Each target pixel is the mean of the box it covers however the rows or passes come: an
    // interlaced PNG, a bottom-up BMP and TIFF strips give what a PNG read row by row gives.
    const QImage picture = testPicture(301, 203, false);
    const QSize box(40, 30);
    const QImage expected = ImageSource::create(qtEncoded(picture, "png"))->imageAtIndex(0, box);
    ASSERT_EQ(expected.size(), box);
    auto tiff = graphics::ImageDestination::create(graphics::typeIdentifier::tiff, 1);
    tiff->addImage(picture);
    const std::vector<std::pair<std::string, Ref<Data>>> encoded = {
        { "interlaced png",
            largePng(
                picture.width(), picture.height(),
                [&picture](int x, int y) { return picture.pixel(x, y) & 0xffffffu; }, true) },
        { "bmp", qtEncoded(picture, "bmp") },
        { "tiff", tiff->finalize() },
    };
    for (const auto& [name, data] : encoded) {
        const auto source = ImageSource::create(data);
        ASSERT_TRUE(source) << name;
        EXPECT_TRUE(pixelsMatch(source->imageAtIndex(0, box), expected)) << name;
    }

    // Half an interlaced file: each target pixel is the mean of the pixels that arrived in it.
    const auto halves = largePng(
        400, 300, [](int x, int) { return redThenBlue(x, 400); }, true);
    const auto arriving = ImageSource::createIncremental();
    arriving->update(
        Data::create(std::string_view(reinterpret_cast<const char*>(halves->bytes()), halves->length() / 2)),
        false);
    const QImage partial = arriving->imageAtIndex(0, box);
    ASSERT_EQ(partial.size(), box);
    EXPECT_EQ(partial.pixel(5, 29), qRgb(255, 0, 0));
    EXPECT_EQ(partial.pixel(35, 29), qRgb(0, 0, 255));
}

} // namespace
} // namespace imagesourcebox
