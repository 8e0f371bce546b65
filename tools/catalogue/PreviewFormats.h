#pragma once

#include "catalogue/SampleRows.h"

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

// The previews, on white, in the other formats the client decodes, written by encoders independent of the
// client's own: Qt's writers (JPEG, baseline and progressive; PNG at 1200 x 160 for @2x), libpng
// (interlaced PNG), giflib (GIF), and Debian's command-line tools cwebp, img2webp, apngasm and
// heif-enc. Beside them, animated strips of four frames (GIF, APNG, WebP; loop count 2, the first
// frame 0.01 s) for the first sample fonts, and one HEIC still.
//
// Below files/: previews/<id>_day.jpg, <id>_day_progressive.jpg, <id>_day.webp (lossy),
// <id>_day_lossless.webp, <id>_day.gif, <id>_day_interlaced.png, <id>_day@2x.png,
// <first id>_day.heic; animated/<id>.gif, <id>.png, <id>.webp.
class PreviewFormats {
public:
    static constexpr int kAnimatedFonts = 4;
    static bool write(const std::vector<SampleFont>& fonts, const std::filesystem::path& filesDir, std::string* error);
};

} // namespace catalogue
