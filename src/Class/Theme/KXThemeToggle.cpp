#include "Class/Theme/KXThemeToggle.h"

#include "Class/Theme/KXThemeManager.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

void KXThemeToggle::startInDarkSet(KXThemeManager& theme, foundation::UserDefaults& defaults)
{
    theme.setIsNight(false);
    defaults.setObject(foundation::Id("1"), kDefaultsKey);
    defaults.synchronize();
}

std::string KXThemeToggle::press(KXThemeManager& theme, foundation::UserDefaults& defaults)
{
    const auto stored = defaults.stringForKey(kDefaultsKey);
    const bool darkShowing = stored && stored->utf8() == "1";
    theme.setIsNight(darkShowing);
    defaults.setObject(foundation::Id(darkShowing ? "0" : "1"), kDefaultsKey);
    defaults.synchronize();
    return darkShowing ? kLightSetImage : kDarkSetImage;
}
