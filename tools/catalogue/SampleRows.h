#pragma once

#include "catalogue/CatalogueRow.h"
#include "catalogue/FontFace.h"

#include <string>
#include <vector>

namespace catalogue {

// A catalogue row made from a real font face, with the archive that carries the face's file.
struct SampleFont {
    CatalogueRow row;
    FontFace face;
    std::string archiveName; // file name below files/fonts/
};

// Turns the installed font faces into catalogue rows with realistic values: Chinese and foreign
// fonts, several weights per family, tags, brands, marketing codes, character-set classes,
// catalogue order and making times. The values depend only on the faces, never on the clock.
class SampleRows {
public:
    static constexpr int64_t kFirstFontId = 1001;
    static std::vector<SampleFont> build(const std::vector<FontFace>& faces, const std::string& base);

    static std::string archiveNameFor(const FontFace& face);
    static std::string chineseNameFor(const std::string& family);
    static int weightCode(int weightClass);
    // The "new font" previews of a row ({"zh": {"image", "night_image"}, "eng": {...}}): the
    // font's own preview drawn in the accent colour of new fonts.
    static std::string newPreviewJson(const std::string& base, long long fontid);
};

} // namespace catalogue
