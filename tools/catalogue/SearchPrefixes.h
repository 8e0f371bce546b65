#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// The type-ahead workload of a catalogue: texts a user types while looking for a font, taken from
// the font names of its fp_fonts (1 to 6 characters from a name's start; 60 % from Chinese names,
// 40 % from Latin ones, a quarter of those lower-cased) with one in ten made to miss. The same
// catalogue and count always give the same texts.
class SearchPrefixes {
public:
    static std::vector<std::string> build(const std::filesystem::path& catalogue, std::size_t count = 200);
};

} // namespace catalogue
