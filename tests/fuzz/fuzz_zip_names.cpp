// Entry names and central directories from hostile archives: decoding never fails, a safe path
// never leaves the destination nor holds a control character, and the directory reader and its
// overlap check never read out of bounds.
#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/EntryName.h"
#include "Lib/ZipArchive/SafePath.h"

#include "Platform/Foundation/Unicode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkSafePath(const std::string& path)
{
    check(!path.starts_with('/'));
    check(!zipentry::hasControlCharacter(path));
    check(path.find('\\') == std::string::npos);
    std::size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string_view part(path.data() + start, end - start);
        check(!part.empty() && part != "." && part != "..");
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint16_t versionMadeBy = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    std::uint16_t flag = static_cast<std::uint16_t>(data[2] | (data[3] << 8));
    std::string_view raw(reinterpret_cast<const char*>(data + 4), size - 4);

    std::string name = zipentry::decodeName(raw, versionMadeBy, flag);
    check(foundation::unicode::isValidUTF8(name));
    if (auto path = zipentry::safeRelativePath(name)) {
        checkSafePath(*path);
        std::size_t half = raw.size() / 2;
        zipentry::isSafeLinkTarget(*path, raw.substr(half));
    }

    auto readAt = [data, size](std::uint64_t offset, std::size_t length, std::uint8_t* out) {
        if (offset > size || length > size - offset)
            return false;
        std::memcpy(out, data + offset, length);
        return true;
    };
    if (auto directory = CentralDirectory::load(readAt, size)) {
        for (const auto& entry : directory->entries())
            check(entry.rawName.size() == entry.info.sizeFilename);
        directory->entriesAreDisjoint(readAt);
    }
    return 0;
}
