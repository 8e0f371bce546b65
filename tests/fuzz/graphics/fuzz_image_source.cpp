// One libFuzzer target per image format: the input's body follows the format's leading bytes
// (CORVANE_FUZZ_LEADING_BYTES, hex; a RIFF header gets the input's length), so every input reaches
// that format's reader, and its header chooses where an incremental source sees the data end (see
// ImageFuzzInput.h). Each file is read whole; then fed to an incremental source as growing prefixes
// that are not final, every frame asked for after each, and at last whole as final. Every frame is
// asked for in order and then the first again.
#include "ImageFuzzInput.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/ImageSource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

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
    static const std::vector<std::uint8_t> leading = imagefuzz::fromHex(CORVANE_FUZZ_LEADING_BYTES);
    std::span<const std::uint8_t> input(data, size);
    std::vector<std::uint8_t> file
        = imagefuzz::fileOf(leading, input.subspan(std::min(size, imagefuzz::headerSize)));
    std::span<const std::uint8_t> bytes(file);
    auto whole = foundation::Data::create(bytes);
    if (auto source = graphics::ImageSource::create(whole))
        readAll(*source);

    auto incremental = graphics::ImageSource::createIncremental();
    for (std::size_t cut : imagefuzz::cutsOf(input, file.size())) {
        incremental->update(foundation::Data::create(bytes.first(cut)), false);
        readAll(*incremental);
    }
    incremental->update(whole, true);
    readAll(*incremental);
    return 0;
}
