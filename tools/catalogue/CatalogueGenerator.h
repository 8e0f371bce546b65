#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// Produces everything the client bundles and the local service serves:
//   OUT/fonts.sqlite                  the catalogue (sample rows, or --rows N with synthetic ones)
//   OUT/catalogue.json                manifest: placeholder, data versions, fontid -> font file
//   OUT/service-files/fonts/*.zip     font archives holding the real font files
//   OUT/service-files/previews/*.png  day and night previews rendered from each font, also in the
//                                     accent colour of new fonts (<id>_new_{day,night}.png)
//   OUT/service-files/{covers,avatars,images}/*.png
//   OUT/service-files/packages/{partial,full}.zip   catalogue data packages
//   OUT/service-files/update/*.deb    the client update package (a small real .deb)
class CatalogueGenerator {
public:
    struct Options {
        std::filesystem::path outDir;
        std::vector<std::filesystem::path> fontFolders = defaultFontFolders();
        size_t rows = 0; // 0: only the rows made from real fonts
        bool assets = true;
        // Synthetic rows show previews rendered for each font by the local service
        // (files/render/<fontid>/{day,night}.png, the font's name) instead of sharing the sample
        // fonts' few dozen preview files: every row has a preview URL of its own.
        bool renderPreviews = false;
    };

    static std::vector<std::filesystem::path> defaultFontFolders();
    static bool generate(const Options& options, std::string* error);

    static constexpr const char* kPartialDataVersion = "20261201120000";
    static constexpr const char* kFullDataVersion = "20261215120000";
    static constexpr const char* kUpdateVersion = "9.9.0";
    // A real Debian package built with dpkg-deb: it installs only a README.
    static constexpr const char* kUpdatePackageName = "corvane-fonts_9.9.0_amd64.deb";
    static constexpr int64_t kPartialNewIds[2] = {1901, 1902};
};

} // namespace catalogue
