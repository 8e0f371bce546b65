#include "Lib/ImageLoading/ILImageFormat.h"
#include "Platform/Foundation/Data.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

ILImageFormatCode formatOf(std::string_view bytes)
{
    return il_imageFormatForImageData(foundation::Data::create(bytes));
}

// The bytes of a literal, embedded zeros included.
template <std::size_t N> ILImageFormatCode formatOf(const char (&bytes)[N])
{
    return formatOf(std::string_view(bytes, N - 1));
}

std::string isoHeader(const char* brand)
{
    return std::string("\0\0\0\x18", 4) + "ftyp" + brand + std::string("\0\0\0\0", 4);
}

TEST(ILImageFormat, DetectsEachFormatByItsLeadingByte)
{
    EXPECT_EQ(formatOf("\xFF\xD8\xFF"), ILImageFormatJPEG);
    EXPECT_EQ(formatOf("\x89PNG\r\n\x1A\n"), ILImageFormatPNG);
    EXPECT_EQ(formatOf("GIF89a"), ILImageFormatGIF);
    EXPECT_EQ(formatOf("II*\0"), ILImageFormatTIFF);
    EXPECT_EQ(formatOf("MM\0*"), ILImageFormatTIFF);
    EXPECT_EQ(formatOf("<html>"), ILImageFormatUndefined);
    EXPECT_EQ(formatOf(""), ILImageFormatUndefined);
    EXPECT_EQ(il_imageFormatForImageData(foundation::Ref<foundation::Data>()), ILImageFormatUndefined);
}

TEST(ILImageFormat, WebPNeedsTwelveBytesFromRIFFToWEBP)
{
    EXPECT_EQ(formatOf("RIFF\x10\0\0\0WEBP"), ILImageFormatWebP);
    EXPECT_EQ(formatOf("RIFF\x10\0\0\0WEBPVP8 "), ILImageFormatWebP);
    EXPECT_EQ(formatOf("RIFF\x10\0\0\0WEB"), ILImageFormatUndefined); // eleven bytes
    EXPECT_EQ(formatOf("RIFF\x10\0\0\0WAVE"), ILImageFormatUndefined);
    EXPECT_EQ(formatOf("R"), ILImageFormatUndefined);
}

TEST(ILImageFormat, ReadsTheBrandOfIsoMediaFiles)
{
    for (const char* brand : { "heic", "heix", "hevc", "hevx" })
        EXPECT_EQ(formatOf(isoHeader(brand)), ILImageFormatHEIC) << brand;
    EXPECT_EQ(formatOf(isoHeader("mif1")), ILImageFormatHEIF);
    EXPECT_EQ(formatOf(isoHeader("msf1")), ILImageFormatHEIF);
    EXPECT_EQ(formatOf(isoHeader("avif")), ILImageFormatUndefined);
    EXPECT_EQ(formatOf(isoHeader("heic").substr(0, 11)), ILImageFormatUndefined);
}

TEST(ILImageFormat, MapsFormatsAndTypeIdentifiersBothWays)
{
    const std::vector<std::pair<ILImageFormatCode, std::string>> pairs = {
        { ILImageFormatJPEG, "public.jpeg" },
        { ILImageFormatPNG, "public.png" },
        { ILImageFormatGIF, "com.compuserve.gif" },
        { ILImageFormatTIFF, "public.tiff" },
        { ILImageFormatWebP, "public.webp" },
        { ILImageFormatHEIC, "public.heic" },
        { ILImageFormatHEIF, "public.heif" },
    };
    for (const auto& [format, type] : pairs) {
        EXPECT_EQ(il_UTTypeFromImageFormat(format), type);
        EXPECT_EQ(il_imageFormatFromUTType(type), format);
    }
    EXPECT_EQ(il_UTTypeFromImageFormat(ILImageFormatUndefined), "public.png");
    EXPECT_EQ(il_UTTypeFromImageFormat(static_cast<ILImageFormatCode>(42)), "public.png");
    EXPECT_EQ(il_imageFormatFromUTType("com.microsoft.bmp"), ILImageFormatUndefined);
    EXPECT_EQ(il_imageFormatFromUTType(""), ILImageFormatUndefined);
    EXPECT_EQ(il_imageFormatFromUTType("PUBLIC.PNG"), ILImageFormatUndefined);
}

} // namespace
