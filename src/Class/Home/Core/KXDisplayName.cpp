#include "Class/Home/Core/KXDisplayName.h"

std::optional<std::string> kx_displayName(const foundation::Id& user)
{
    for (const char* key : {"nick_name", "uname", "email"}) {
        const foundation::Id value = user[key];
        if (!value.string())
            continue;
        std::string text = value.stringValue();
        if (!text.empty())
            return text;
    }
    return std::nullopt;
}
