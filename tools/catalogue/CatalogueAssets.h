#pragma once

#include "catalogue/SampleRows.h"

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// The files the service serves beside the catalogue: archives, previews, pictures.
class CatalogueAssets {
public:
    static bool writeArchives(const std::vector<SampleFont>& fonts, const std::filesystem::path& dir,
                              std::string* error);
    static bool writePreviews(const std::vector<SampleFont>& fonts, const std::filesystem::path& dir,
                              std::string* error);
    static bool writePictures(const std::filesystem::path& filesDir, std::string* error);
};

} // namespace catalogue
