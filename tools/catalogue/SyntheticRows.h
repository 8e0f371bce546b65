#pragma once

#include "catalogue/SampleRows.h"

#include <vector>

namespace catalogue {

// Rows for a large catalogue (benchmarks): invented names, the value distributions of a real
// catalogue, and URLs that reuse the sample fonts' archives and previews of the same script.
class SyntheticRows {
public:
    static constexpr int64_t kFirstFontId = 100001;
    // `renderBase`: when set, the base of per-font rendered previews (see CatalogueGenerator).
    static std::vector<CatalogueRow> build(const std::vector<SampleFont>& samples, size_t count,
                                           const std::string& renderBase = {});
    // The search words of a large catalogue (a few thousand): the invented families and styles,
    // their pairs, the brands and the uses a font is bought for, alone and combined ("云墨黑体",
    // "云墨黑体海报", "Corva Sans Poster", "青禾字体 包装"). Whole font names (with their weight)
    // are not among them, so the type-ahead falls back to the font names for the longer texts.
    static std::vector<std::string> keywords();
    // Catalogues of this many rows or more get those words in fp_keyword.
    static constexpr size_t kKeywordRowsThreshold = 10000;
};

} // namespace catalogue
