#include "Lib/ImageLoading/ILColor.h"

#include <array>
#include <gtest/gtest.h>

namespace {

QColor fromPixel(std::array<std::uint8_t, 4> bytes, ILBitmapInfo info)
{
    return ILColorFromPixel(std::span<const std::uint8_t, 4>(bytes), info);
}

// Components as whole 0..255 values, red, green, blue, alpha.
std::array<int, 4> rgba(const QColor& color)
{
    return { color.red(), color.green(), color.blue(), color.alpha() };
}

TEST(ILHexString, WritesAlphaFirstInLowerCase)
{
    EXPECT_EQ(il_hexString(QColor(255, 0, 0)), "#ffff0000");
    EXPECT_EQ(il_hexString(QColor(Qt::white)), "#ffffffff");
    EXPECT_EQ(il_hexString(QColor(0x12, 0xab, 0xcd, 0x80)), "#8012abcd");
    EXPECT_EQ(il_hexString(QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f)), "#ff808080");
    EXPECT_EQ(il_hexString(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), "#ffff0000");
    EXPECT_EQ(il_hexString(QColor()), "#00000000");
    EXPECT_TRUE(il_hexTextOrNil(QColor()).isNil());
    EXPECT_EQ(il_hexTextOrNil(QColor(Qt::black)).stringValue(), "#ff000000");
}

TEST(ILColorFromPixel, ReadsEachAlphaKindInBothByteOrders)
{
    const std::array<std::uint8_t, 4> bytes = { 10, 20, 30, 40 };
    using Expect = std::array<int, 4>;
    // kind, order → red, green, blue, alpha
    EXPECT_EQ(rgba(fromPixel(bytes, 0)), (Expect { 10, 20, 30, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 0x2000)), (Expect { 30, 20, 10, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 1)), (Expect { 10, 20, 30, 40 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 0x2003)), (Expect { 40, 30, 20, 10 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 4)), (Expect { 20, 30, 40, 10 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 0x2002)), (Expect { 30, 20, 10, 40 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 5)), (Expect { 10, 20, 30, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 0x1005)), (Expect { 40, 30, 20, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 6)), (Expect { 20, 30, 40, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 0x2006)), (Expect { 30, 20, 10, 255 }));
    EXPECT_EQ(rgba(fromPixel(bytes, 7)), (Expect { 0, 0, 0, 10 }));
    EXPECT_EQ(
        rgba(fromPixel(bytes, 0x4002)), (Expect { 20, 30, 40, 10 })); // 32-bit big-endian reads in order
    EXPECT_EQ(rgba(fromPixel(bytes, 9)), (Expect { 0, 0, 0, 255 }));
}

TEST(ILColorFromPixel, BitmapInfoOfQImageFormatsReadsTheirPixels)
{
    const QColor colour(200, 100, 50, 255);
    for (auto format : { QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32, QImage::Format_RGB32,
             QImage::Format_RGBA8888, QImage::Format_RGBA8888_Premultiplied }) {
        QImage image(1, 1, format);
        image.fill(colour);
        const auto info = ILBitmapInfoForFormat(format);
        ASSERT_TRUE(info.has_value()) << format;
        const QColor read = ILColorFromPixel(std::span<const std::uint8_t, 4>(image.constBits(), 4), *info);
        EXPECT_EQ(rgba(read), rgba(colour)) << format;
    }
    EXPECT_FALSE(ILBitmapInfoForFormat(QImage::Format_Grayscale8).has_value());
}

} // namespace
