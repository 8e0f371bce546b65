#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The chunk layer of PNG files, shared by the APNG reader and writer: libpng reads and writes the
// pixels, these functions take its chunks apart and put new ones together.
namespace graphics::detail::png {

inline constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct Chunk {
    std::uint32_t type = 0;
    std::size_t offset = 0;     // of the length field
    std::size_t dataOffset = 0; // of the first data byte
    std::uint32_t length = 0;   // of the data
    std::size_t end() const { return dataOffset + length + 4; }
};

constexpr std::uint32_t tag(std::string_view name)
{
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16
        | std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

std::uint32_t readU32(const std::uint8_t* bytes);
std::uint16_t readU16(const std::uint8_t* bytes);
void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendU16(std::vector<std::uint8_t>& out, std::uint16_t value);

// The chunk at `offset` when all of it (CRC included) lies in `data`; false when it does not, or
// when its length is over the format's 2^31 - 1.
bool readChunk(std::span<const std::uint8_t> data, std::size_t offset, Chunk& chunk);

// Appends a chunk with a fresh CRC; `prefix` goes before `data` inside the chunk.
void appendChunk(std::vector<std::uint8_t>& out, std::uint32_t type, std::span<const std::uint8_t> data,
    std::span<const std::uint8_t> prefix = {});

} // namespace graphics::detail::png
