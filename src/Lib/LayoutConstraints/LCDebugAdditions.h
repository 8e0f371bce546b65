#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace autolayout {
class LayoutConstraint;
class View;
} // namespace autolayout

// Readable descriptions of any layout constraint, such as
// "<LCLayoutConstraint:0x55d0a0 BasicView:title.left == BasicView:0x55d1c0.right + 10 ^high>".
// The tables are built once, on first use, and are safe to read from any thread.
class LCDebugAdditions {
public:
    static const std::map<std::int64_t, std::string>& layoutRelationDescriptionsByValue();
    static const std::map<std::int64_t, std::string>& layoutAttributeDescriptionsByValue();
    static const std::map<float, std::string>& layoutPriorityDescriptionsByValue();

    // "Class:key" when the object has a debugging key, else "Class:0x...".
    static std::string descriptionForObject(const autolayout::View* view);
    static std::string descriptionForObject(const autolayout::LayoutConstraint& constraint);
    static std::string description(const autolayout::LayoutConstraint& constraint);
};
