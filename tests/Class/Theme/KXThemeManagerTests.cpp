#include "Class/Theme/KXThemeManager.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace {

struct Rgba {
    int r, g, b;
    double a = 1.0;
};

// The two sets as the designers specified them: {dark set, light set}.
const std::map<std::string, std::pair<Rgba, Rgba>> kExpectedColors = {
    {"RightBGC", {{83, 84, 86}, {255, 255, 255}}},
    {"listcellBGC", {{83, 84, 86}, {255, 255, 255}}},
    {"listcellSeleBGC", {{68, 68, 68}, {242, 244, 245}}},
    {"listcellLabel", {{171, 171, 171}, {180, 180, 180}}},
    {"listcellTitleLabel", {{201, 201, 201}, {119, 119, 119}}},
    {"listcellDownload", {{243, 243, 243}, {243, 243, 243}}},
    {"listcellDownlabel", {{0, 0, 0}, {0, 0, 0}}},
    {"CustomTFBGC", {{41, 41, 41}, {246, 246, 246}}},
    {"CustomTFText", {{204, 204, 204}, {128, 128, 128}}},
    {"CustomTFPlace", {{204, 204, 204}, {204, 204, 204}}},
    {"sortingViewNormol", {{204, 204, 204}, {204, 204, 204}}},
    {"sortingViewSelected", {{151, 125, 98}, {151, 125, 98}}},
    {"filterViewReset", {{255, 255, 255}, {43, 43, 43}}},
    {"filterViewTopline", {{255, 255, 255, 0.2}, {247, 247, 247}}},
    {"filterViewTabNor", {{174, 174, 174}, {170, 170, 170}}},
    {"filterViewTabSele", {{0, 0, 0}, {0, 0, 0}}},
    {"filterViewTabSeleBG", {{255, 173, 0, 0.8}, {255, 173, 0, 0.8}}},
    {"filterViewCellBGC", {{61, 61, 61}, {255, 255, 255}}},
    {"filterViewLine", {{51, 51, 51}, {238, 238, 238}}},
    {"filterViewSection", {{128, 128, 128}, {188, 188, 188}}},
    {"filterViewTagNor", {{185, 185, 185}, {128, 128, 128}}},
    {"filterViewTagSele", {{255, 255, 255}, {38, 38, 38}}},
    {"locallistcellLabel", {{255, 255, 255}, {51, 51, 51}}},
    {"cnBtnNomal", {{255, 255, 255, 0.5}, {96, 96, 96}}},
    {"enBtnNomal", {{255, 255, 255, 0.5}, {96, 96, 96}}},
    {"cnBtnSelect", {{255, 255, 255}, {47, 47, 47}}},
    {"enBtnSelect", {{255, 255, 255}, {47, 47, 47}}},
    {"progressNumColor", {{255, 255, 255}, {83, 207, 117}}},
    {"enterCellLeftColor", {{83, 84, 86}, {255, 255, 255}}},
    {"enterCellRightColor", {{64, 65, 66}, {248, 248, 248}}},
};

const std::map<std::string, std::pair<std::string, std::string>> kExpectedImages = {
    {"editImgStr", {"customStrBtnNight", "customStrBtnDay"}},
    {"searchImgStr", {"search-mormal-day", "search-Night"}},
    {"cnBtnImgStr", {"CNBtn-normal-day", "CNBtn-SelectNight"}},
    {"fontStyleBtnImgStr", {"fontStyle-mormal-day", "fontStyleBtn-Night"}},
    {"fontTypeBtnImgStr", {"fontType-mormal-day", "fontTypeBtn-Night"}},
    {"fontWeightBtnImgStr", {"fontWeight-mormal-day", "fontWeightBtn-Night"}},
    {"fontAdvanceBtnImgStr", {"advanced-mormal-day", "advanceBtn-Night"}},
    {"rightSliderImgStr", {"bigFontDay", "bigFontNight"}},
    {"leftSliderImgStr", {"smallFontDay", "smallFontNight"}},
    {"freeTopicImgStr", {"freeTopic_night", "freeTopic_day"}},
    {"heartTopicImgStr", {"heartTopic_night", "heartTopic_day"}},
    {"rNewTopicImgStr", {"newTopic_night", "newTopic_day"}},
    {"gbkTopicImgStr", {"gbkTopicNight", "gbkTopicDay"}},
    {"threeDTopicImgStr", {"threeDTopicNight", "threeDTopicDay"}},
    {"buyCartsImgstr", {"fontCartDay", "fontCartNight"}},
};

const std::vector<std::string> kNeverAssignedColors = {"filterViewTabNorBG"};
const std::vector<std::string> kNeverAssignedImages = {"smallImgStr",   "bigImgStr",     "themeImgStr",
                                                       "refreshImgStr", "editBtnImgStr", "searchBtnImgStr"};

void expectColor(const KXThemeManager::Color& actual, const Rgba& expected, const std::string& key)
{
    ASSERT_TRUE(actual.has_value()) << key;
    EXPECT_DOUBLE_EQ(actual->red, expected.r / 255.0) << key;
    EXPECT_DOUBLE_EQ(actual->green, expected.g / 255.0) << key;
    EXPECT_DOUBLE_EQ(actual->blue, expected.b / 255.0) << key;
    EXPECT_DOUBLE_EQ(actual->alpha, expected.a) << key;
}

class KXThemeManagerTest : public testing::Test {
protected:
    foundation::UserDefaults defaults{testsupport::makeScratchDir("theme") / "defaults.plist"};
    KXThemeManager theme{&defaults};
};

TEST_F(KXThemeManagerTest, FreshPaletteIsDarkFlagWithEveryEntryNil)
{
    EXPECT_FALSE(theme.isNight());
    for (auto key : KXThemeManager::colorKeys())
        EXPECT_FALSE(theme.colorForKey(key).has_value()) << key;
    for (auto key : KXThemeManager::imageNameKeys())
        EXPECT_FALSE(theme.imageNameForKey(key).has_value()) << key;
}

TEST_F(KXThemeManagerTest, PropertyListsHaveEveryEntryOnce)
{
    EXPECT_EQ(KXThemeManager::colorKeys().size(), 31u);
    EXPECT_EQ(KXThemeManager::imageNameKeys().size(), 21u);
    EXPECT_EQ(kExpectedColors.size() + kNeverAssignedColors.size(), 31u);
    EXPECT_EQ(kExpectedImages.size() + kNeverAssignedImages.size(), 21u);
}

TEST_F(KXThemeManagerTest, DarkSetAssignsEveryColourAndName)
{
    theme.setIsNight(false);
    for (const auto& [key, values] : kExpectedColors)
        expectColor(theme.colorForKey(key), values.first, key);
    for (const auto& [key, values] : kExpectedImages)
        EXPECT_EQ(theme.imageNameForKey(key), values.first) << key;
}

TEST_F(KXThemeManagerTest, LightSetAssignsEveryColourAndName)
{
    theme.setIsNight(true);
    EXPECT_TRUE(theme.isNight());
    for (const auto& [key, values] : kExpectedColors)
        expectColor(theme.colorForKey(key), values.second, key);
    for (const auto& [key, values] : kExpectedImages)
        EXPECT_EQ(theme.imageNameForKey(key), values.second) << key;
}

TEST_F(KXThemeManagerTest, EntriesOutsideBothSetsStayNil)
{
    theme.setIsNight(true);
    theme.setIsNight(false);
    for (const auto& key : kNeverAssignedColors)
        EXPECT_FALSE(theme.colorForKey(key).has_value()) << key;
    for (const auto& key : kNeverAssignedImages)
        EXPECT_FALSE(theme.imageNameForKey(key).has_value()) << key;
}

TEST_F(KXThemeManagerTest, NamedAccessorsReadTheSameEntries)
{
    theme.setIsNight(true);
    EXPECT_EQ(theme.RightBGC(), KXColor::rgb255(255, 255, 255));
    EXPECT_EQ(theme.listcellBGC(), KXColor::rgb255(255, 255, 255));
    theme.setIsNight(false);
    EXPECT_EQ(theme.RightBGC(), KXColor::rgb255(83, 84, 86));
    EXPECT_EQ(theme.searchImgStr(), "search-mormal-day");
}

TEST_F(KXThemeManagerTest, SettersOnlyStoreUntilTheNextSwitch)
{
    theme.setIsNight(false);
    theme.setRightBGC(KXColor::rgb255(1, 2, 3));
    theme.setEditImgStr(std::string("custom"));
    EXPECT_EQ(theme.colorForKey("RightBGC"), KXColor::rgb255(1, 2, 3));
    EXPECT_EQ(theme.imageNameForKey("editImgStr"), "custom");
    theme.setIsNight(false);
    EXPECT_EQ(theme.RightBGC(), KXColor::rgb255(83, 84, 86));
    EXPECT_EQ(theme.editImgStr(), "customStrBtnNight");
}

TEST_F(KXThemeManagerTest, UnknownKeysReadNil)
{
    theme.setIsNight(false);
    EXPECT_FALSE(theme.colorForKey("rightBGC").has_value());
    EXPECT_FALSE(theme.imageNameForKey("").has_value());
}

TEST_F(KXThemeManagerTest, CartIconHasVipPrefixForNonEmptyVipType)
{
    defaults.setObject(foundation::Id("2"), "vip_type");
    theme.setIsNight(false);
    EXPECT_EQ(theme.buyCartsImgstr(), "vipfontCartDay");
    theme.setIsNight(true);
    EXPECT_EQ(theme.buyCartsImgstr(), "vipfontCartNight");
}

TEST_F(KXThemeManagerTest, CartIconIsPlainForEmptyMissingOrNonStringVipType)
{
    defaults.setObject(foundation::Id(""), "vip_type");
    theme.setIsNight(true);
    EXPECT_EQ(theme.buyCartsImgstr(), "fontCartNight");
    defaults.removeObjectForKey("vip_type");
    theme.setIsNight(false);
    EXPECT_EQ(theme.buyCartsImgstr(), "fontCartDay");
    defaults.setObject(foundation::Id(3), "vip_type");
    theme.setIsNight(false);
    EXPECT_EQ(theme.buyCartsImgstr(), "fontCartDay");
}

TEST_F(KXThemeManagerTest, ReapplyingTheSameFlagFollowsTheUserOnlyInTheCartIcon)
{
    theme.setIsNight(true);
    std::map<std::string, KXThemeManager::Color> colorsBefore;
    for (auto key : KXThemeManager::colorKeys())
        colorsBefore[std::string(key)] = theme.colorForKey(key);
    std::map<std::string, KXThemeManager::ImageName> imagesBefore;
    for (auto key : KXThemeManager::imageNameKeys())
        imagesBefore[std::string(key)] = theme.imageNameForKey(key);

    defaults.setObject(foundation::Id("1"), "vip_type");
    theme.setIsNight(true);
    for (auto key : KXThemeManager::colorKeys())
        EXPECT_EQ(theme.colorForKey(key), colorsBefore[std::string(key)]) << key;
    for (auto key : KXThemeManager::imageNameKeys()) {
        if (key == "buyCartsImgstr")
            EXPECT_EQ(theme.imageNameForKey(key), "vipfontCartNight");
        else
            EXPECT_EQ(theme.imageNameForKey(key), imagesBefore[std::string(key)]) << key;
    }
}

TEST(KXThemeManagerSharedTest, SharedPaletteIsOneObjectAcrossThreads)
{
    std::vector<KXThemeManager*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &KXThemeManager::themeManager(); });
    for (auto& thread : threads)
        thread.join();
    for (auto* palette : seen)
        EXPECT_EQ(palette, &KXThemeManager::themeManager());
}

} // namespace
