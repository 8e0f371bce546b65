#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>

// The name the left menu shows for a user record: its first non-empty "nick_name", "uname" or
// "email"; none when all three are empty or missing (the shown name then stays as it was).
std::optional<std::string> kx_displayName(const foundation::Id& user);
