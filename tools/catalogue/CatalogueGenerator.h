#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// Produces everything the client bundles and the local service serves:
//   OUT/fonts.sqlite                  the catalogue (sample rows, or --rows N with synthetic ones)
//   OUT/catalogue.json                manifest: placeholder, data versions, fontid -> font file
//   OUT/service-files/fonts/*.zip     font archives holding the real font files
//   OUT/service-files/previews/*.png  day and night previews rendered from each font
//   OUT/service-files/{badges,covers,avatars,images}/*.png
//   OUT/service-files/packages/{partial,full}.zip   catalogue data packages
//   OUT/service-files/update/*        the client update package
class CatalogueGenerator {
public:
    struct Options {
        std::filesystem::path outDir;
        std::vector<std::filesystem::path> fontFolders = defaultFontFolders();
        size_t rows = 0; // 0: only the rows made from real fonts
        bool assets = true;
    };

    static std::vector<std::filesystem::path> defaultFontFolders();
    static bool generate(const Options& options, std::string* error);

    static constexpr const char* kPartialDataVersion = "20261201120000";
    static constexpr const char* kFullDataVersion = "20261215120000";
    static constexpr const char* kUpdateVersion = "9.9.0";
    static constexpr const char* kUpdatePackageName = "CorvaneFonts-9.9.0.dmg";
    static constexpr int64_t kPartialNewIds[2] = {1901, 1902};
};

} // namespace catalogue
