#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>
#include <vector>

namespace mm {

enum class MMPropertyKeyType : int { Dictionary = 0, Array = 1 };

// One step of a key path: a dictionary key, or the decimal text of an array index.
struct MMPropertyKey {
    std::string name;
    MMPropertyKeyType type = MMPropertyKeyType::Dictionary;

    // The value one step down: a dictionary's entry or an array's element; nil for any other
    // pairing, for a missing entry and for an index out of bounds (negative ones included).
    foundation::Id valueInObject(const foundation::Id& object) const;
    friend bool operator==(const MMPropertyKey&, const MMPropertyKey&) = default;
};

using MMKeyPath = std::vector<MMPropertyKey>;

// Parses "a.b[3].c" into a, b, [3], c. An empty text gives no steps; a component that begins with
// "[" gives none either.
MMKeyPath propertyKeysWithStringKey(std::string_view key);

} // namespace mm
