#pragma once

#include <cstdint>

namespace autolayout {

// A column of the simplex tableau. External symbols stand for user variables; the others are
// the solver's own bookkeeping and are restricted to non-negative values (dummies are never pivoted).
struct Symbol {
    enum class Type : std::uint8_t { Invalid, External, Slack, Error, Dummy };

    std::uint32_t id = 0;
    Type type = Type::Invalid;

    bool isValid() const { return type != Type::Invalid; }
    bool isExternal() const { return type == Type::External; }
    bool isPivotable() const { return type == Type::Slack || type == Type::Error; }
    bool isRestricted() const { return type != Type::External; }
    friend bool operator==(const Symbol& a, const Symbol& b) { return a.id == b.id; }
};

} // namespace autolayout
