#include "Class/Favourites/Core/KXPaletteHold.h"

#include "Class/Theme/KXThemeManager.h"

namespace {

int holdersNow = 0;
bool remembered = false;

} // namespace

KXPaletteHold::KXPaletteHold()
{
    auto& theme = KXThemeManager::themeManager();
    if (holdersNow++ == 0)
        remembered = theme.isNight();
    theme.setIsNight(true);
}

KXPaletteHold::~KXPaletteHold()
{
    if (--holdersNow == 0)
        KXThemeManager::themeManager().setIsNight(remembered);
}

int KXPaletteHold::holders()
{
    return holdersNow;
}
