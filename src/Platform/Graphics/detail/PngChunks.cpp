#include "Platform/Graphics/detail/PngChunks.h"

#include <zlib.h>

namespace graphics::detail::png {

std::uint32_t readU32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8
        | std::uint32_t(bytes[3]);
}

std::uint16_t readU16(const std::uint8_t* bytes)
{
    return std::uint16_t(bytes[0] << 8 | bytes[1]);
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(std::uint8_t(value >> 24));
    out.push_back(std::uint8_t(value >> 16));
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

void appendU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

bool readChunk(std::span<const std::uint8_t> data, std::size_t offset, Chunk& chunk)
{
    if (offset > data.size() || data.size() - offset < 12)
        return false;
    std::uint32_t length = readU32(data.data() + offset);
    if (length > 0x7fffffffu || data.size() - offset - 12 < length)
        return false;
    chunk.offset = offset;
    chunk.length = length;
    chunk.type = readU32(data.data() + offset + 4);
    chunk.dataOffset = offset + 8;
    return true;
}

void appendChunk(std::vector<std::uint8_t>& out, std::uint32_t type, std::span<const std::uint8_t> data,
    std::span<const std::uint8_t> prefix)
{
    appendU32(out, std::uint32_t(prefix.size() + data.size()));
    std::size_t start = out.size();
    appendU32(out, type);
    out.insert(out.end(), prefix.begin(), prefix.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes lengths as uInt; a chunk is below 2^31 bytes.
    crc = crc32(crc, out.data() + start, uInt(out.size() - start));
    appendU32(out, std::uint32_t(crc));
}

} // namespace graphics::detail::png
