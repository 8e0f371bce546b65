#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fonts {

// The names a font file gives itself, read from its sfnt name table (or, for other formats
// FreeType opens, from what FreeType reports). A name the file does not carry stays empty.
struct FontNames {
    std::optional<std::string> family;          // typographic family, else the legacy family
    std::optional<std::string> localizedFamily; // the family in the first preferred language the file has
    std::optional<std::string> subfamily;       // typographic subfamily, else the legacy one
    std::optional<std::string> fullName;
    std::optional<std::string> postScriptName;
};

// Reads font names through FreeType. Only the first face of a collection is read. Each thread keeps
// its own FreeType library, so calls from several threads do not contend.
class FontNameReader {
public:
    // nullopt when FreeType cannot open the file as a font (folders, ".uuid", "fonts.dir", ...).
    // `preferredLanguages` are BCP-47 tags, most preferred first.
    static std::optional<FontNames> read(const std::filesystem::path& file,
                                         const std::vector<std::string>& preferredLanguages);

    // The user's languages as BCP-47 tags, most preferred first: LANGUAGE (a colon list), else the
    // first of LC_ALL, LC_MESSAGES and LANG; "C" and "POSIX" count as English. Never empty.
    static std::vector<std::string> preferredLanguages();
};

} // namespace fonts
