// One libFuzzer target per image format: the input follows the format's leading bytes (chosen by
// CORVANE_FUZZ_FORMAT; a RIFF header gets the input's length), so every input reaches that
// format's reader. Each input is read whole and again in two parts, every frame asked for, in
// order and then back to the first.
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/ImageSource.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_view_literals;
constexpr std::string_view leadingBytes[] = {
    "\x89PNG\r\n\x1a\n"sv,
    "\xff\xd8"sv,
    "GIF89a"sv,
    "RIFF\xff\xff\xff\x7fWEBP"sv,
    "II*\0"sv,
    "\0\0\0\x18" "ftypheic"sv,
};

// A RIFF header gives the length of what follows it; a length that does not fit the input would
// stop every file at the container, before the image data.
void fitRiffSize(std::vector<std::uint8_t>& bytes)
{
    auto length = static_cast<std::uint32_t>(bytes.size() - 8);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void readAll(graphics::ImageSource& source)
{
    std::size_t count = std::min<std::size_t>(source.count(), 16);
    source.properties();
    for (std::size_t i = 0; i < count; ++i) {
        source.propertiesAtIndex(i);
        source.imageAtIndex(i);
    }
    if (count > 1)
        source.imageAtIndex(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::string_view magic = leadingBytes[CORVANE_FUZZ_FORMAT];
    std::vector<std::uint8_t> bytes(magic.begin(), magic.end());
    bytes.insert(bytes.end(), data, data + size);
    if (magic.starts_with("RIFF"))
        fitRiffSize(bytes);
    auto whole = foundation::Data::create(std::span<const std::uint8_t>(bytes));
    if (auto source = graphics::ImageSource::create(whole))
        readAll(*source);

    auto incremental = graphics::ImageSource::createIncremental();
    incremental->update(foundation::Data::create(std::span<const std::uint8_t>(bytes).first(bytes.size() / 2)), false);
    readAll(*incremental);
    incremental->update(whole, true);
    readAll(*incremental);
    return 0;
}
