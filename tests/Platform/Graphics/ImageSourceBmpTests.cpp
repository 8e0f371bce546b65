#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

using namespace graphicstest;
using foundation::Data;
using foundation::Id;
using foundation::Ref;
using graphics::ImageSource;
using graphics::ImageSourceStatus;
namespace property = graphics::imageProperty;

namespace {

using Bytes = std::vector<std::uint8_t>;

void putLittleEndian(Bytes& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

// A BMP written field by field: the file header, a header of `headerSize` bytes (12: the core
// header), what follows it (bit field masks), the palette and the pixel bytes.
struct Bmp {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colours = 0;
    std::array<std::uint32_t, 4> masks {}; // red, green, blue, alpha: in headers from 52 bytes on
    std::vector<std::uint32_t> afterHeader;
    std::vector<std::uint32_t> palette; // 0xRRGGBB
    Bytes pixels;
    std::optional<std::uint32_t> pixelOffset;

    Bytes bytes() const
    {
        Bytes header;
        putLittleEndian(header, headerSize, 4);
        if (headerSize == 12) {
            putLittleEndian(header, std::uint32_t(width), 2);
            putLittleEndian(header, std::uint32_t(height), 2);
            putLittleEndian(header, 1, 2);
            putLittleEndian(header, bits, 2);
        } else {
            putLittleEndian(header, std::uint32_t(width), 4);
            putLittleEndian(header, std::uint32_t(height), 4);
            putLittleEndian(header, 1, 2);
            putLittleEndian(header, bits, 2);
            putLittleEndian(header, compression, 4);
            putLittleEndian(header, pixels.size(), 4);
            putLittleEndian(header, 2835, 4);
            putLittleEndian(header, 2835, 4);
            putLittleEndian(header, colours, 4);
            putLittleEndian(header, 0, 4);
            for (std::size_t i = 0; i < 4 && header.size() < headerSize; ++i)
                putLittleEndian(header, masks[i], 4);
            header.resize(headerSize);
        }
        for (std::uint32_t mask : afterHeader)
            putLittleEndian(header, mask, 4);
        for (std::uint32_t colour : palette)
            putLittleEndian(header, colour, headerSize == 12 ? 3 : 4);
        Bytes file = {'B', 'M'};
        std::size_t offset = 14 + header.size();
        putLittleEndian(file, offset + pixels.size(), 4);
        putLittleEndian(file, 0, 4);
        putLittleEndian(file, pixelOffset.value_or(std::uint32_t(offset)), 4);
        file.insert(file.end(), header.begin(), header.end());
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }
    Ref<Data> data() const {return Data::create(bytes());}
};

// Rows padded to four bytes.
void padRow(Bytes& pixels)
{
    while (pixels.size() % 4)
        pixels.push_back(0);
}

QImage decodedBmp(const Ref<Data>& data)
{
    auto source = ImageSource::create(data);
    return source && source->count() == 1 ? source->imageAtIndex(0) : QImage();
}

// The frame's stored value: premultiplied ARGB, or RGB with alpha 255.
std::uint32_t storedPixel(const QImage& image, int x, int y)
{
    std::uint32_t value = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
    return image.format() == QImage::Format_RGB32 ? value | 0xff000000u : value;
}

// `image` holds `expected` (rows top first), loaded the same way three times over.
void expectPixels(const Ref<Data>& data, const std::vector<std::vector<std::uint32_t>>& expected)
{
    QImage first = decodedBmp(data);
    ASSERT_FALSE(first.isNull());
    ASSERT_EQ(first.height(), int(expected.size()));
    ASSERT_EQ(first.width(), int(expected[0].size()));
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            EXPECT_EQ(storedPixel(first, x, y), expected[std::size_t(y)][std::size_t(x)])
                << "pixel " << x << "," << y;
    for (int load = 0; load < 2; ++load)
        EXPECT_EQ(decodedBmp(data), first) << "load " << load + 2;
}

// Stored values: none is transparent black, black the opaque one.
namespace argb {
constexpr std::uint32_t red = 0xffff0000u;
constexpr std::uint32_t green = 0xff00ff00u;
constexpr std::uint32_t blue = 0xff0000ffu;
constexpr std::uint32_t white = 0xffffffffu;
constexpr std::uint32_t black = 0xff000000u;
constexpr std::uint32_t none = 0;
} // namespace argb

} // namespace

TEST(ImageSourceBmp, RunLengthCodesLeaveSkippedPixelsTransparentBlack)
{
    Bmp rle8;
    rle8.width = 6;
    rle8.height = 5;
    rle8.bits = 8;
    rle8.compression = 1;
    rle8.colours = 4;
    rle8.palette = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};
    rle8.pixels = {
        3, 1, 0, 0, // bottom row: three green, then end of line
        0, 3, 0, 2, 3, 0, // three literal indices, padded to two bytes
        0, 2, 2, 1, // move two right and one up
        1, 0, 0, 0, // one red, end of line
        10, 2, // a run clipped at the right edge
        0, 1, // end of the image: the top row stays blank
    };
    expectPixels(rle8.data(),
        {
            {argb::none, argb::none, argb::none, argb::none, argb::none, argb::none},
            {argb::blue, argb::blue, argb::blue, argb::blue, argb::blue, argb::blue},
            {argb::none, argb::none, argb::none, argb::none, argb::none, argb::red},
            {argb::red, argb::blue, argb::white, argb::none, argb::none, argb::none},
            {argb::green, argb::green, argb::green, argb::none, argb::none, argb::none},
        });

    Bmp rle4 = rle8;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.pixels = {
        5, 0x12, // green, blue, green, blue, green
        0, 0, // end of line
        0, 3, 0x30, 0x20, // three literal indices in two bytes, no padding needed
        0, 5, 0x01, 0x23, 0x10, 0, // five in three bytes, padded
        0, 2, 0, 2, // move two rows up
        0, 1,
    };
    expectPixels(rle4.data(),
        {
            {argb::none, argb::none, argb::none, argb::none, argb::none, argb::none},
            {argb::none, argb::none, argb::none, argb::none, argb::none, argb::none},
            {argb::none, argb::none, argb::none, argb::none, argb::none, argb::none},
            {argb::white, argb::red, argb::blue, argb::red, argb::green, argb::blue},
            {argb::green, argb::blue, argb::green, argb::blue, argb::green, argb::none},
        });
}

TEST(ImageSourceBmp, MaskedChannelsWidenToFullScale)
{
    struct Case {
        const char* name;
        Bmp bmp;
        std::vector<std::uint32_t> expected;
    };
    auto sixteenBits = [](std::uint32_t header, std::uint32_t coding, std::vector<std::uint16_t> values) {
        Bmp bmp;
        bmp.headerSize = header;
        bmp.width = int(values.size());
        bmp.bits = 16;
        bmp.compression = coding;
        for (std::uint16_t value : values)
            putLittleEndian(bmp.pixels, value, 2);
        padRow(bmp.pixels);
        return bmp;
    };
    Case rgb565 {"5-6-5", sixteenBits(40, 3, {0xffff, 0x8401, 0x0000}),
        {argb::white, 0xff848208u, argb::black}};
    rgb565.bmp.afterHeader = {0xf800, 0x07e0, 0x001f};
    Case rgb555 {"5-5-5", sixteenBits(40, 0, {0x7fff, 0x4000}), {argb::white, 0xff840000u}};
    Case argb4444 {"4-4-4-4", sixteenBits(56, 3, {0xffff, 0x0fff}), {argb::white, argb::none}};
    argb4444.bmp.masks = {0x0f00, 0x00f0, 0x000f, 0xf000};
    Case argb1555 {"1-5-5-5", sixteenBits(40, 6, {0xffff, 0x7fff}), {argb::white, argb::none}};
    argb1555.bmp.afterHeader = {0x7c00, 0x03e0, 0x001f, 0x8000};
    Case wide {"10-10-10-2", Bmp {}, {argb::white, 0xff804020u}};
    wide.bmp.headerSize = 124;
    wide.bmp.width = 2;
    wide.bmp.bits = 32;
    wide.bmp.compression = 3;
    wide.bmp.masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000};
    putLittleEndian(wide.bmp.pixels, 0xffffffff, 4);
    putLittleEndian(wide.bmp.pixels, 0xc0000000u | 0x200u << 20 | 0x100u << 10 | 0x80u, 4);
    for (const Case& c : {rgb565, rgb555, argb4444, argb1555, wide})
        expectPixels(c.bmp.data(), {c.expected});
}

TEST(ImageSourceBmp, ThirtyTwoBitRgbTakesAlphaOnlyFromAHeaderMask)
{
    Bmp bmp;
    bmp.width = 3;
    bmp.bits = 32;
    bmp.pixels = {0x10, 0x20, 0x30, 0x80, 0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0xff};
    for (std::uint32_t headerSize : {40u, 108u, 124u}) {
        SCOPED_TRACE(headerSize);
        bmp.headerSize = headerSize;
        bmp.masks = {0, 0, 0, 0xff000000}; // a plain RGB file's masks are fixed; only alpha counts
        auto data = bmp.data();
        QImage image = decodedBmp(data);
        EXPECT_EQ(image.hasAlphaChannel(), headerSize > 40);
        EXPECT_TRUE(pixelsMatch(image, qtDecoded(*data, "bmp")));
    }
}

TEST(ImageSourceBmp, PalettesOfEachDepthBothDirectionsAndTheCoreHeader)
{
    auto colourOf = [](std::uint32_t index) {
        return (index * 37 % 256) << 16 | (index * 91 % 256) << 8 | (index * 13 % 256);
    };
    for (int bits : {1, 4, 8, 24}) {
        for (bool core : {false, true}) {
            for (bool topDown : {false, true}) {
                if (core && topDown)
                    continue; // the core header's height has no sign
                SCOPED_TRACE(
                    testing::Message() << bits << " bits, core " << core << ", top-down " << topDown);
                Bmp bmp;
                bmp.headerSize = core ? 12 : 40;
                bmp.width = 13;
                bmp.height = topDown ? -3 : 3;
                bmp.bits = std::uint16_t(bits);
                // A palette one short of the depth (the core header's is as long as the data
                // before the pixels says), so the highest index reads black.
                std::uint32_t colours = bits == 24 ? 0 : (1u << bits) - 1;
                bmp.colours = core ? 0 : colours;
                for (std::uint32_t i = 0; i < colours; ++i)
                    bmp.palette.push_back(colourOf(i));
                std::vector<std::vector<std::uint32_t>> expected(3, std::vector<std::uint32_t>(13));
                for (int fileRow = 0; fileRow < 3; ++fileRow) {
                    int y = topDown ? fileRow : 2 - fileRow;
                    std::uint32_t packed = 0;
                    int filled = 0;
                    for (int x = 0; x < 13; ++x) {
                        std::uint32_t value = std::uint32_t(x * 3 + y * 5);
                        if (bits == 24) {
                            std::uint32_t colour = colourOf(value);
                            putLittleEndian(bmp.pixels, colour, 3);
                            expected[std::size_t(y)][std::size_t(x)] = argb::black | colour;
                            continue;
                        }
                        value %= 1u << bits;
                        expected[std::size_t(y)][std::size_t(x)]
                            = argb::black | (value < colours ? colourOf(value) : 0);
                        packed = packed << bits | value;
                        if ((filled += bits) == 8) {
                            bmp.pixels.push_back(std::uint8_t(packed));
                            packed = 0;
                            filled = 0;
                        }
                    }
                    if (filled)
                        bmp.pixels.push_back(std::uint8_t(packed << (8 - filled)));
                    padRow(bmp.pixels);
                }
                auto data = bmp.data();
                expectPixels(data, expected);
                EXPECT_FALSE(decodedBmp(data).hasAlphaChannel());
            }
        }
    }
}

TEST(ImageSourceBmp, BrokenHeadersAreRefusedAndMissingDataStaysBlank)
{
    Bmp good;
    good.headerSize = 56;
    good.width = 3;
    good.height = 2;
    good.bits = 16;
    good.compression = 3;
    good.masks = {0x0f00, 0x00f0, 0x000f, 0xf000};
    good.pixels = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0, 0, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f, 0xf0, 0, 0};
    ASSERT_FALSE(decodedBmp(good.data()).isNull());

    auto refused = [](const Bmp& bmp) {
        auto source = ImageSource::create(bmp.data());
        return source->status() == ImageSourceStatus::InvalidData && source->count() == 0
            && source->imageAtIndex(0).isNull();
    };
    std::vector<std::pair<const char*, Bmp>> broken;
    auto add = [&](const char* name, auto change) {
        Bmp bmp = good;
        change(bmp);
        broken.emplace_back(name, bmp);
    };
    add("no width", [](Bmp& b) { b.width = 0; });
    add("negative width", [](Bmp& b) { b.width = -3; });
    add("no height", [](Bmp& b) { b.height = 0; });
    add("a header size of OS/2 2.x", [](Bmp& b) { b.headerSize = 64; });
    add("a header size no version has", [](Bmp& b) { b.headerSize = 41; });
    add("seven bits", [](Bmp& b) { b.bits = 7; });
    add("run-length coding at 16 bits", [](Bmp& b) { b.compression = 1; });
    add("an embedded JPEG", [](Bmp& b) { b.compression = 4; });
    add("pixels past the end", [](Bmp& b) { b.pixelOffset = 0xffffffff; });
    add("no pixels", [](Bmp& b) { b.pixels.clear(); });
    add("masks cut off", [](Bmp& b) {
        b.headerSize = 40;
        b.afterHeader = {0xf800};
        b.pixels.clear();
    });
    add("a palette cut off", [](Bmp& b) {
        b.bits = 8;
        b.compression = 0;
        b.colours = 200;
        b.palette = {0x123456};
        b.pixelOffset = 0;
        b.pixels.clear();
    });
    for (const auto& [name, bmp] : broken)
        EXPECT_TRUE(refused(bmp)) << name;

    // Every prefix of the file: no crash, and an image once a pixel byte is there.
    Bytes whole = good.bytes();
    for (std::size_t length = 1; length < whole.size(); ++length) {
        auto source = ImageSource::create(Data::create(std::span<const std::uint8_t>(whole).first(length)));
        QImage image = source && source->count() ? source->imageAtIndex(0) : QImage();
        EXPECT_EQ(image.isNull(), length <= 14 + 56) << length;
    }

    // A size far past the limits is told, and no frame allocated.
    Bmp huge = good;
    huge.width = 0x7fffffff;
    huge.height = std::numeric_limits<std::int32_t>::min();
    auto source = ImageSource::create(huge.data());
    ASSERT_EQ(source->count(), 1u);
    EXPECT_EQ(Id(source->propertiesAtIndex(0))[property::pixelHeight].integerValue(), 0x80000000LL);
    EXPECT_TRUE(source->imageAtIndex(0).isNull());

    // Rows the data ends before stay blank: the bottom row of a bottom-up file is there, the top
    // one half there.
    Bmp cut = good;
    cut.pixels.resize(8 + 4);
    expectPixels(
        cut.data(), {{argb::none, argb::none, argb::none}, {argb::white, argb::white, argb::white}});
    // A palette as long as the header says, with the pixels after it when their offset is unset.
    Bmp unset = cut;
    unset.bits = 8;
    unset.compression = 0;
    unset.colours = 2;
    unset.palette = {0x0000ff, 0x00ff00};
    unset.pixelOffset = 0;
    unset.pixels = {1, 0, 7, 0, 0, 1, 1, 0};
    expectPixels(
        unset.data(), {{argb::blue, argb::green, argb::green}, {argb::green, argb::blue, argb::black}});
}

TEST(ImageSourceBmp, RunLengthDataThatEndsOrStraysIsClipped)
{
    Bmp bmp;
    bmp.width = 4;
    bmp.height = 2;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.colours = 1;
    bmp.palette = {0xff0000};
    struct Case {
        const char* name;
        Bytes pixels;
        std::uint32_t second; // the bottom row's second pixel
    };
    for (const Case& c : {
             Case {"a literal run longer than the data", {2, 0, 0, 255, 0}, argb::red},
             Case {"a move past the top", {1, 0, 0, 2, 255, 255, 1, 0}, argb::none},
             Case {"an index past the palette, no end code", {1, 0, 1, 9}, argb::black},
         }) {
        SCOPED_TRACE(c.name);
        bmp.pixels = c.pixels;
        expectPixels(bmp.data(),
            {{argb::none, argb::none, argb::none, argb::none},
                {argb::red, c.second, argb::none, argb::none}});
    }
}
