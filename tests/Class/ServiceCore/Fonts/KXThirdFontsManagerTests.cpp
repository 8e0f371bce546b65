#include "Class/ServiceCore/Fonts/KXThirdFontsManager.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Fonts/UniqueFont.h"

#include <gtest/gtest.h>

TEST(KXThirdFontsManager, RegistersAndUnregistersAFileOrFileURL)
{
    const std::string name = "CorvaneThirdPartyCond-BoldItali";
    const auto file = fonttest::fontWithUniqueName(name);
    ASSERT_FALSE(file.empty());
    KXThirdFontsManager manager;
    manager.registerFontBuyPath(foundation::String::create("file://" + file.string()));
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable(name));
    manager.unRegisterFontBuyPath(foundation::String::create(file.string()));
    EXPECT_FALSE(fonts::FontRegistry::isPostScriptNameAvailable(name));
    manager.registerFontBuyPath(nullptr); // logged, nothing else
}
