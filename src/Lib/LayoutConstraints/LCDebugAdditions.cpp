#include "Lib/LayoutConstraints/LCDebugAdditions.h"

#include "Lib/LayoutConstraints/LCLayoutConstraint.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/AutoLayout/View.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::string objectText(const std::string& className, const std::optional<std::string>& key, const void* address)
{
    if (key)
        return className + ":" + *key;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#llx",
        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
    return className + ":" + (address ? buffer : "0x0");
}

std::string formatG(double value)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// A number as its boxed double describes itself: the shortest text that reads back the same.
std::string numberText(double value)
{
    char buffer[48];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

const std::map<std::int64_t, std::string>& LCDebugAdditions::layoutRelationDescriptionsByValue()
{
    static const std::map<std::int64_t, std::string> table { { -1, "<=" }, { 0, "==" }, { 1, ">=" } };
    return table;
}

const std::map<std::int64_t, std::string>& LCDebugAdditions::layoutAttributeDescriptionsByValue()
{
    static const std::map<std::int64_t, std::string> table = [] {
        // Built pair by pair in this order; 11 is named twice and the later name stays.
        const std::pair<std::int64_t, const char*> pairs[] = { { 3, "top" }, { 1, "left" }, { 4, "bottom" },
            { 2, "right" }, { 5, "leading" }, { 6, "trailing" }, { 7, "width" }, { 8, "height" }, { 9, "centerX" },
            { 10, "centerY" }, { 11, "baseline" }, { 12, "firstBaseline" }, { 11, "lastBaseline" } };
        std::map<std::int64_t, std::string> built;
        for (const auto& [value, name] : pairs)
            built[value] = name;
        return built;
    }();
    return table;
}

const std::map<float, std::string>& LCDebugAdditions::layoutPriorityDescriptionsByValue()
{
    static const std::map<float, std::string> table { { 750.0f, "high" }, { 510.0f, "drag can resize window" },
        { 501.0f, "medium" }, { 500.0f, "window size stay put" }, { 490.0f, "drag cannot resize window" },
        { 250.0f, "low" }, { 50.0f, "fitting size" }, { 1000.0f, "required" } };
    return table;
}

std::string LCDebugAdditions::descriptionForObject(const autolayout::View* view)
{
    if (!view)
        return "(null):0x0";
    return objectText(view->className(), lc_key(*view), view);
}

std::string LCDebugAdditions::descriptionForObject(const autolayout::LayoutConstraint& constraint)
{
    auto keyed = dynamic_cast<const LCLayoutConstraint*>(&constraint);
    return objectText(constraint.className(), keyed ? keyed->lc_key() : std::nullopt, &constraint);
}

std::string LCDebugAdditions::description(const autolayout::LayoutConstraint& constraint)
{
    const auto& attributes = layoutAttributeDescriptionsByValue();
    auto firstAttribute = static_cast<std::int64_t>(constraint.firstAttribute());
    auto secondAttribute = static_cast<std::int64_t>(constraint.secondAttribute());

    std::string text = "<" + descriptionForObject(constraint);
    text += " " + descriptionForObject(constraint.firstItem());
    if (firstAttribute != 0 && attributes.count(firstAttribute))
        text += "." + attributes.at(firstAttribute);
    auto relation = layoutRelationDescriptionsByValue().find(static_cast<std::int64_t>(constraint.relation()));
    text += " " + (relation != layoutRelationDescriptionsByValue().end() ? relation->second : std::string("(null)"));
    if (const autolayout::View* second = constraint.secondItem())
        text += " " + descriptionForObject(second);
    if (secondAttribute != 0 && attributes.count(secondAttribute))
        text += "." + attributes.at(secondAttribute);
    if (constraint.multiplier() != 1.0)
        text += " * " + formatG(constraint.multiplier());
    if (secondAttribute == 0) {
        text += " " + formatG(constraint.constant());
    } else if (constraint.constant() != 0.0) {
        text += std::string(" ") + (constraint.constant() < 0 ? "-" : "+") + " " + formatG(std::fabs(constraint.constant()));
    }
    if (constraint.priority() != 1000.0f) {
        auto named = layoutPriorityDescriptionsByValue().find(constraint.priority());
        text += " ^"
            + (named != layoutPriorityDescriptionsByValue().end() ? named->second
                                                                  : numberText(static_cast<double>(constraint.priority())));
    }
    return text + ">";
}
