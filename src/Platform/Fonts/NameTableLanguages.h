#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fonts {

// A BCP-47 tag reduced to what name tables tell apart.
struct LanguageTag {
    enum class ChineseScript { None, Simplified, Traditional };
    std::string primary; // lower case: "zh", "en"
    ChineseScript script = ChineseScript::None;
};
LanguageTag parseLanguageTag(std::string_view language);
bool nameLanguageMatches(std::uint16_t platformId, std::uint16_t languageId, const LanguageTag& language);

// Whether a name-table entry's language is the BCP-47 tag `language` ("zh-CN", "zh-Hant", "en").
// Chinese is told apart by script (simplified: mainland and Singapore; traditional: Taiwan, Hong
// Kong, Macao); other languages match on the primary language alone.
bool nameLanguageMatches(std::uint16_t platformId, std::uint16_t languageId, std::string_view language);

// Whether the entry is in English (the names a font gives as its default).
bool nameLanguageIsEnglish(std::uint16_t platformId, std::uint16_t languageId);

} // namespace fonts
