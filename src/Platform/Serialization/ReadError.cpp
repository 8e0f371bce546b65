#include "Platform/Serialization/ReadError.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"

#include <cstdlib>

namespace foundation {

namespace {

constexpr std::string_view kEnglishDescription = "The data couldn’t be read because it isn’t in the correct format.";
constexpr std::string_view kChineseDescription = "未能读取数据，因为它的格式不正确。";

} // namespace

bool processLanguageIsChinese()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        return std::string_view(value).starts_with("zh");
    }
    return false;
}

Ref<Error> makeCorruptDataError(long long code, std::string_view debugDescription)
{
    auto userInfo = Dictionary::create({
        {Id(NSLocalizedDescriptionKey), Id(processLanguageIsChinese() ? kChineseDescription : kEnglishDescription)},
        {Id(NSDebugDescriptionErrorKey), Id(debugDescription)},
    });
    return Error::errorWithDomain(NSCocoaErrorDomain, code, userInfo);
}

std::string textPosition(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    std::size_t column = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            ++line;
            column = 0;
        } else if ((byte & 0xC0) != 0x80) {
            ++column; // continuation bytes belong to the character already counted
        }
    }
    return " around line " + std::to_string(line) + ", column " + std::to_string(column) + ".";
}

} // namespace foundation
