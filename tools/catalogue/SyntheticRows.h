#pragma once

#include "catalogue/SampleRows.h"

#include <vector>

namespace catalogue {

// Rows for a large catalogue (benchmarks): invented names, the value distributions of a real
// catalogue, and URLs that reuse the sample fonts' archives and previews of the same script.
class SyntheticRows {
public:
    static constexpr int64_t kFirstFontId = 100001;
    static std::vector<CatalogueRow> build(const std::vector<SampleFont>& samples, size_t count);
};

} // namespace catalogue
