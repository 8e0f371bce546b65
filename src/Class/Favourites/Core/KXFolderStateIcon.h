#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

// The review-state icon of a favourite folder, one rule for the folder rows, the published list
// and the personal centre's card: "is_publish" 0 waiting, 1 under review, 2 published, any other
// value refused; a password-protected folder ("is_encrypt" non-zero) under review or published
// (any state but 0 and 3) shows the half-published icon instead. Any thread.
class KXFolderStateIcon {
public:
    static constexpr const char* kWait = "fontManagerStateWait";
    static constexpr const char* kChecking = "fontManagerStateChecking";
    static constexpr const char* kPublished = "fontManagerStateallPub";
    static constexpr const char* kRefused = "fontManagerStateNoPass";
    static constexpr const char* kHalfPublished = "fontManagerStatehalfPub";

    static std::string imageName(long long isPublish, long long isEncrypt);
    // The icon of a folder record, its "is_publish" and "is_encrypt" read as integers.
    static std::string imageName(const foundation::Id& folder);
};
