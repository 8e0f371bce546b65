#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace foundation {
class Data;
}

// The format of encoded image data, as the coders and the caches name it.
enum ILImageFormatCode : int {
    ILImageFormatUndefined = -1,
    ILImageFormatJPEG = 0,
    ILImageFormatPNG = 1,
    ILImageFormatGIF = 2,
    ILImageFormatTIFF = 3,
    ILImageFormatWebP = 4,
    ILImageFormatHEIC = 5,
    ILImageFormatHEIF = 6,
};

// The format of encoded data by its leading bytes; nil, empty or unknown data is undefined. Only the
// first twelve bytes are read. Thread-safe.
ILImageFormatCode il_imageFormatForImageData(std::span<const std::uint8_t> data);
ILImageFormatCode il_imageFormatForImageData(const foundation::Ref<foundation::Data>& data);

// The type identifier of a format ("public.png" for PNG and for every code without one of its own),
// and back; an identifier without a format is undefined.
std::string il_UTTypeFromImageFormat(ILImageFormatCode format);
ILImageFormatCode il_imageFormatFromUTType(std::string_view typeIdentifier);
