#include "Support/SpreadPropertyList.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace testsupport {

namespace {

constexpr std::size_t kTrailerSize = 32;

std::uint64_t bigEndian(std::string_view bytes)
{
    std::uint64_t value = 0;
    for (unsigned char byte : bytes)
        value = (value << 8) | byte;
    return value;
}

std::string bigEndian(std::uint64_t value, std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = size; i-- > 0; value >>= 8)
        out[i] = static_cast<char>(value & 0xFF);
    return out;
}

} // namespace

void writeSpreadPropertyList(const std::filesystem::path& path, std::string_view plist, std::uint64_t size)
{
    if (plist.size() < 8 + kTrailerSize || !plist.starts_with("bplist00"))
        throw std::invalid_argument("not a binary property list");
    const std::string_view trailer = plist.substr(plist.size() - kTrailerSize);
    const std::uint64_t tableOffset = bigEndian(trailer.substr(24, 8));
    const std::string_view table = plist.substr(tableOffset, plist.size() - kTrailerSize - tableOffset);
    const std::uint64_t tail = table.size() + kTrailerSize;
    if (size < tableOffset + tail)
        throw std::invalid_argument("the property list does not fit the size");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(plist.data(), static_cast<std::streamsize>(tableOffset));
    }
    std::filesystem::resize_file(path, size - tail);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    const std::string moved = std::string(trailer.substr(0, 24)) + bigEndian(size - tail, 8);
    out.write(table.data(), static_cast<std::streamsize>(table.size()));
    out.write(moved.data(), static_cast<std::streamsize>(moved.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace testsupport
