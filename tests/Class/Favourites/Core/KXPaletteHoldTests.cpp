#include "Class/Favourites/Core/KXPaletteHold.h"

#include "Class/Theme/KXThemeManager.h"

#include <gtest/gtest.h>

#include <memory>

TEST(KXPaletteHold, TheLastHoldRestoresThePalette)
{
    auto& theme = KXThemeManager::themeManager();
    theme.setIsNight(false);
    {
        auto outer = std::make_unique<KXPaletteHold>();
        EXPECT_TRUE(theme.isNight()) << "the light palette";
        auto inner = std::make_unique<KXPaletteHold>();
        EXPECT_EQ(KXPaletteHold::holders(), 2);
        outer.reset();
        EXPECT_TRUE(theme.isNight()) << "the nested page still holds it";
        inner.reset();
    }
    EXPECT_FALSE(theme.isNight());
    EXPECT_EQ(KXPaletteHold::holders(), 0);

    theme.setIsNight(true);
    { KXPaletteHold hold; }
    EXPECT_TRUE(theme.isNight()) << "a light palette stays light";
    theme.setIsNight(false);
}
