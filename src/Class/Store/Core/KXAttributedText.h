#pragma once

#include "Class/Theme/KXColor.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Text with attributes on ranges, made without widgets and drawn by the store's text label.
// Ranges count UTF-16 code units, as QString indexes do ("￥" is one unit, so a price after it
// starts at 1). A later range wins where two set the same attribute.
struct KXTextAttributes {
    std::optional<double> systemFontSize; // points
    std::optional<KXColor> color;
    bool strikethrough = false;

    friend bool operator==(const KXTextAttributes&, const KXTextAttributes&) = default;
};

struct KXTextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    KXTextAttributes attributes;

    friend bool operator==(const KXTextRange&, const KXTextRange&) = default;
};

struct KXAttributedText {
    enum class Alignment { Natural, Centred, Right };

    std::string text; // UTF-8
    std::vector<KXTextRange> ranges;
    Alignment alignment = Alignment::Natural;

    bool empty() const { return text.empty(); }
    // The attributes at a UTF-16 index, every range that covers it applied in order.
    KXTextAttributes attributesAt(std::size_t index) const;

    friend bool operator==(const KXAttributedText&, const KXAttributedText&) = default;
};
