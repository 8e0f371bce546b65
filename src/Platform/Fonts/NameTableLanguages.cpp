#include "Platform/Fonts/NameTableLanguages.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace fonts {
namespace {

constexpr std::uint16_t kPlatformMac = 1;
constexpr std::uint16_t kPlatformWindows = 3;

using ChineseScript = LanguageTag::ChineseScript;

} // namespace

LanguageTag parseLanguageTag(std::string_view language)
{
    LanguageTag tag;
    std::string lower(language);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    std::replace(lower.begin(), lower.end(), '_', '-');
    const auto dash = lower.find('-');
    tag.primary = lower.substr(0, dash);
    if (tag.primary != "zh")
        return tag;
    const std::string rest = dash == std::string::npos ? std::string() : lower.substr(dash);
    const bool traditional = rest.find("hant") != std::string::npos || rest.find("-tw") != std::string::npos
        || rest.find("-hk") != std::string::npos || rest.find("-mo") != std::string::npos;
    tag.script = traditional ? ChineseScript::Traditional : ChineseScript::Simplified;
    return tag;
}

namespace {

struct WindowsLanguage {
    std::uint16_t primaryId; // low ten bits of the Windows language id
    const char* primary;
};

constexpr std::array<WindowsLanguage, 16> kWindowsLanguages{{
    {0x09, "en"}, {0x04, "zh"}, {0x11, "ja"}, {0x12, "ko"}, {0x07, "de"}, {0x0C, "fr"}, {0x0A, "es"},
    {0x10, "it"}, {0x16, "pt"}, {0x19, "ru"}, {0x13, "nl"}, {0x1D, "sv"}, {0x15, "pl"}, {0x1F, "tr"},
    {0x1E, "th"}, {0x2A, "vi"},
}};

struct MacLanguage {
    std::uint16_t id;
    const char* primary;
    ChineseScript script;
};

constexpr std::array<MacLanguage, 15> kMacLanguages{{
    {0, "en", ChineseScript::None}, {1, "fr", ChineseScript::None}, {2, "de", ChineseScript::None},
    {3, "it", ChineseScript::None}, {4, "nl", ChineseScript::None}, {5, "sv", ChineseScript::None},
    {6, "es", ChineseScript::None}, {8, "pt", ChineseScript::None}, {11, "ja", ChineseScript::None},
    {19, "zh", ChineseScript::Traditional}, {23, "ko", ChineseScript::None}, {32, "ru", ChineseScript::None},
    {33, "zh", ChineseScript::Simplified}, {17, "tr", ChineseScript::None}, {22, "th", ChineseScript::None},
}};

ChineseScript windowsChineseScript(std::uint16_t languageId)
{
    switch (languageId) {
    case 0x0804: // mainland
    case 0x1004: // Singapore
        return ChineseScript::Simplified;
    case 0x0404: // Taiwan
    case 0x0C04: // Hong Kong
    case 0x1404: // Macao
        return ChineseScript::Traditional;
    default:
        return ChineseScript::None;
    }
}

} // namespace

bool nameLanguageMatches(std::uint16_t platformId, std::uint16_t languageId, std::string_view language)
{
    return nameLanguageMatches(platformId, languageId, parseLanguageTag(language));
}

bool nameLanguageMatches(std::uint16_t platformId, std::uint16_t languageId, const LanguageTag& tag)
{
    if (platformId == kPlatformWindows) {
        for (const auto& entry : kWindowsLanguages) {
            if ((languageId & 0x3FF) != entry.primaryId || tag.primary != entry.primary)
                continue;
            return tag.script == ChineseScript::None || windowsChineseScript(languageId) == tag.script;
        }
        return false;
    }
    if (platformId == kPlatformMac) {
        for (const auto& entry : kMacLanguages) {
            if (entry.id == languageId && tag.primary == entry.primary)
                return tag.script == ChineseScript::None || entry.script == tag.script;
        }
    }
    return false;
}

bool nameLanguageIsEnglish(std::uint16_t platformId, std::uint16_t languageId)
{
    static const LanguageTag english = parseLanguageTag("en");
    return nameLanguageMatches(platformId, languageId, english);
}

} // namespace fonts
