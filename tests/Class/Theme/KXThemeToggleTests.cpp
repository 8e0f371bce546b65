#include "Class/Theme/KXThemeToggle.h"

#include "Class/Theme/KXThemeManager.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

namespace {

class KXThemeToggleTest : public testing::Test {
protected:
    std::filesystem::path file = testsupport::makeScratchDir("toggle") / "defaults.plist";
    foundation::UserDefaults defaults{file};
    KXThemeManager theme{&defaults};

    std::string storedOnDisk()
    {
        foundation::UserDefaults reread(file);
        auto value = reread.objectForKey("the");
        return value.isNull() ? "<absent>" : value.stringValue();
    }
};

TEST_F(KXThemeToggleTest, FirstPressWithoutStateSelectsDarkSetAndStoresOne)
{
    EXPECT_EQ(KXThemeToggle::press(theme, defaults), "daytime-normal");
    EXPECT_FALSE(theme.isNight());
    EXPECT_EQ(theme.RightBGC(), KXColor::rgb255(83, 84, 86));
    EXPECT_EQ(storedOnDisk(), "1");
}

TEST_F(KXThemeToggleTest, PressesAlternateBetweenTheSets)
{
    KXThemeToggle::press(theme, defaults);
    EXPECT_EQ(KXThemeToggle::press(theme, defaults), "nighttime-normal");
    EXPECT_TRUE(theme.isNight());
    EXPECT_EQ(theme.RightBGC(), KXColor::rgb255(255, 255, 255));
    EXPECT_EQ(storedOnDisk(), "0");
    EXPECT_EQ(KXThemeToggle::press(theme, defaults), "daytime-normal");
    EXPECT_EQ(storedOnDisk(), "1");
}

TEST_F(KXThemeToggleTest, AnyValueOtherThanOneSelectsTheDarkSet)
{
    defaults.setObject(foundation::Id("yes"), "the");
    theme.setIsNight(true);
    EXPECT_EQ(KXThemeToggle::press(theme, defaults), "daytime-normal");
    EXPECT_FALSE(theme.isNight());
}

TEST_F(KXThemeToggleTest, StartingTheListRecordsTheDarkSet)
{
    defaults.setObject(foundation::Id("0"), "the");
    theme.setIsNight(true);
    KXThemeToggle::startInDarkSet(theme, defaults);
    EXPECT_FALSE(theme.isNight());
    EXPECT_EQ(storedOnDisk(), "1");
    EXPECT_EQ(KXThemeToggle::press(theme, defaults), "nighttime-normal");
}

} // namespace
