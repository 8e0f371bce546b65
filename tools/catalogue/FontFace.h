#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// One face of a font file as FreeType reports it; a .ttc collection yields several.
struct FontFace {
    std::filesystem::path file;
    int faceIndex = 0;
    std::string family;
    std::string style;
    std::string postScriptName;
    int weightClass = 400; // OS/2 usWeightClass
    bool hasCjk = false;   // the face maps U+6C38 (a common ideograph)
    bool monospace = false;
    bool serif = false;    // guessed from the family name
};

// Reads the faces of every .ttf/.ttc/.otf file below the given folders, sorted by file path and
// face index so that ids derived from the order are stable between runs.
class FontScanner {
public:
    static std::vector<FontFace> scan(const std::vector<std::filesystem::path>& folders);
    static std::vector<FontFace> facesOf(const std::filesystem::path& file);
};

} // namespace catalogue
