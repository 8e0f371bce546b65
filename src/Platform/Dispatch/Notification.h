#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"

#include <string>

namespace dispatch {

// What a notification centre delivers: a plain-string name, the sender (matched by identity)
// and optional user info.
struct Notification {
    std::string name;
    foundation::Id object;
    foundation::Ref<foundation::Dictionary> userInfo;
};

} // namespace dispatch
