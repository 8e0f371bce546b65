#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// How an image fuzzer's input becomes a file and the points where an incremental source sees it end
// early. The input is a fixed header of cut points, then the file's body; the file is the format's
// leading bytes (CMake gives them as hex) followed by that body. Shared with the seed writer, which
// puts a header in front of each image it writes.
namespace imagefuzz {

// Byte 0: how many cuts (1 + byte % maxCuts); then maxCuts 16-bit fractions of the file's length,
// of which the first that many are used. Fixed in size, so the body does not move when the count
// changes.
inline constexpr std::size_t maxCuts = 4;
inline constexpr std::size_t headerSize = 1 + 2 * maxCuts;

// Four cuts spread over the file: the seeds' header.
inline constexpr std::uint8_t seedHeader[headerSize] = {3, 0x20, 0, 0x60, 0, 0xa0, 0, 0xe0, 0};

inline std::vector<std::uint8_t> fromHex(std::string_view hex)
{
    auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) << 4 | digit(hex[i + 1])));
    return bytes;
}

// A RIFF header gives the length of what follows it; a length that does not fit the input would
// stop every file at the container, before the image data.
inline void fitRiffSize(std::vector<std::uint8_t>& file)
{
    if (file.size() < 8 || !std::equal(file.begin(), file.begin() + 4, "RIFF"))
        return;
    auto length = static_cast<std::uint32_t>(file.size() - 8);
    for (std::size_t i = 0; i < 4; ++i)
        file[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

inline std::vector<std::uint8_t> fileOf(
    std::span<const std::uint8_t> leading, std::span<const std::uint8_t> body)
{
    std::vector<std::uint8_t> file(leading.begin(), leading.end());
    file.insert(file.end(), body.begin(), body.end());
    fitRiffSize(file);
    return file;
}

// The lengths of the prefixes fed before the whole file, in ascending order; none when the input is
// shorter than its header.
inline std::vector<std::size_t> cutsOf(std::span<const std::uint8_t> input, std::size_t fileSize)
{
    std::vector<std::size_t> cuts;
    if (input.size() < headerSize)
        return cuts;
    std::size_t count = 1 + input[0] % maxCuts;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t fraction = std::size_t(input[1 + 2 * i]) << 8 | input[2 + 2 * i];
        cuts.push_back(fileSize * fraction >> 16);
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

} // namespace imagefuzz
