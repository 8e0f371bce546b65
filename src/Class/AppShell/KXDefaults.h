#pragma once

#include "Platform/Foundation/Object.h"

#include <string_view>

namespace foundation {
class UserDefaults;
}

// Stores `value` under `key` (nil removes it) only when the stored value differs: every write of
// the user defaults goes to disk at once, and the start-up writes the same values at every launch.
// Returns whether anything changed.
bool kx_storeDefault(foundation::UserDefaults& defaults, std::string_view key, const foundation::Id& value);
