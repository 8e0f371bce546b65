#include "Class/AppShell/KXDefaults.h"

#include "Platform/Storage/UserDefaults.h"

bool kx_storeDefault(foundation::UserDefaults& defaults, std::string_view key, const foundation::Id& value)
{
    const foundation::Id stored = defaults.objectForKey(key);
    if (value.isNil() ? stored.isNil() : (!stored.isNil() && stored.isEqual(value)))
        return false;
    defaults.setObject(value, key);
    return true;
}
