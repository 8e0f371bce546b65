#pragma once

#include <climits>
#include <cstddef>

namespace foundation {

inline constexpr std::size_t NSNotFound = static_cast<std::size_t>(LONG_MAX);

// A range of UTF-16 code units (or of elements), as NSRange.
struct Range {
    std::size_t location = NSNotFound;
    std::size_t length = 0;
    std::size_t end() const { return location + length; }
    bool found() const { return location != NSNotFound; }
    friend bool operator==(const Range&, const Range&) = default;
};

enum class ComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

// String comparison and search options, with the platform's values.
enum StringOptions : unsigned {
    CaseInsensitiveSearch = 1,
    LiteralSearch = 2,
    BackwardsSearch = 4,
    AnchoredSearch = 8,
    NumericSearch = 64,
};

} // namespace foundation
