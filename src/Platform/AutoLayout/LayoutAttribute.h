#pragma once

#include <cstdint>

namespace autolayout {

// The values are part of the interface: callers store and compare them as integers.
enum class LayoutAttribute : std::int64_t {
    NotAnAttribute = 0,
    Left = 1,
    Right = 2,
    Top = 3,
    Bottom = 4,
    Leading = 5,
    Trailing = 6,
    Width = 7,
    Height = 8,
    CenterX = 9,
    CenterY = 10,
    LastBaseline = 11,
    Baseline = LastBaseline,
    FirstBaseline = 12,
};

enum class LayoutRelation : std::int64_t {
    LessThanOrEqual = -1,
    Equal = 0,
    GreaterThanOrEqual = 1,
};

enum class LayoutAxis { Horizontal, Vertical };

using LayoutPriority = float;

namespace priority {
inline constexpr LayoutPriority required = 1000.0f;
inline constexpr LayoutPriority defaultHigh = 750.0f;
inline constexpr LayoutPriority dragThatCanResizeWindow = 510.0f;
inline constexpr LayoutPriority windowSizeStayPut = 500.0f;
inline constexpr LayoutPriority dragThatCannotResizeWindow = 490.0f;
inline constexpr LayoutPriority defaultLow = 250.0f;
inline constexpr LayoutPriority fittingSizeCompression = 50.0f;
} // namespace priority

// A view without an intrinsic size in one direction reports this for it.
inline constexpr double noIntrinsicMetric = -1.0;

inline bool isHorizontal(LayoutAttribute attribute)
{
    switch (attribute) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Right:
    case LayoutAttribute::Leading:
    case LayoutAttribute::Trailing:
    case LayoutAttribute::Width:
    case LayoutAttribute::CenterX:
        return true;
    default:
        return false;
    }
}

} // namespace autolayout
