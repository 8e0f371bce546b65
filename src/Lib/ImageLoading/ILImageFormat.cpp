#include "Lib/ImageLoading/ILImageFormat.h"

#include "Platform/Foundation/Data.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<ILImageFormatCode, std::string_view>, 7> kTypeIdentifiers { {
    { ILImageFormatJPEG, "public.jpeg" },
    { ILImageFormatPNG, "public.png" },
    { ILImageFormatGIF, "com.compuserve.gif" },
    { ILImageFormatTIFF, "public.tiff" },
    { ILImageFormatWebP, "public.webp" },
    { ILImageFormatHEIC, "public.heic" },
    { ILImageFormatHEIF, "public.heif" },
} };

std::string_view ascii(std::span<const std::uint8_t> bytes)
{
    return { reinterpret_cast<const char*>(bytes.data()), bytes.size() };
}

ILImageFormatCode isoBaseMediaFormat(std::span<const std::uint8_t> data)
{
    if (data.size() < 12)
        return ILImageFormatUndefined;
    const std::string_view brand = ascii(data.subspan(4, 8));
    if (brand == "ftypheic" || brand == "ftypheix" || brand == "ftyphevc" || brand == "ftyphevx")
        return ILImageFormatHEIC;
    if (brand == "ftypmif1" || brand == "ftypmsf1")
        return ILImageFormatHEIF;
    return ILImageFormatUndefined;
}

} // namespace

ILImageFormatCode il_imageFormatForImageData(std::span<const std::uint8_t> data)
{
    if (data.empty())
        return ILImageFormatUndefined;
    switch (data[0]) {
    case 0xFF:
        return ILImageFormatJPEG;
    case 0x89:
        return ILImageFormatPNG;
    case 'G':
        return ILImageFormatGIF;
    case 'I':
    case 'M':
        return ILImageFormatTIFF;
    case 'R': {
        if (data.size() < 12)
            return ILImageFormatUndefined;
        const std::string_view head = ascii(data.first(12));
        return head.starts_with("RIFF") && head.ends_with("WEBP") ? ILImageFormatWebP
                                                                  : ILImageFormatUndefined;
    }
    case 0x00:
        return isoBaseMediaFormat(data);
    default:
        return ILImageFormatUndefined;
    }
}

ILImageFormatCode il_imageFormatForImageData(const foundation::Ref<foundation::Data>& data)
{
    return data ? il_imageFormatForImageData(data->span()) : ILImageFormatUndefined;
}

std::string il_UTTypeFromImageFormat(ILImageFormatCode format)
{
    for (const auto& [code, identifier] : kTypeIdentifiers)
        if (code == format)
            return std::string(identifier);
    return "public.png";
}

ILImageFormatCode il_imageFormatFromUTType(std::string_view typeIdentifier)
{
    for (const auto& [code, identifier] : kTypeIdentifiers)
        if (identifier == typeIdentifier)
            return code;
    return ILImageFormatUndefined;
}
