#include "Class/Theme/KXThemeManager.h"

#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

using C = KXColor;

// One entry of a set: the value for the dark set (isNight false) and for the light set.
struct ColorEntry {
    std::string_view key;
    KXColor dark;
    KXColor light;
};

struct ImageEntry {
    std::string_view key;
    std::string_view dark;
    std::string_view light;
};

// filterViewTabNorBG is in neither set and stays nil.
constexpr std::array kColorSets{
    ColorEntry{"RightBGC", C::rgb255(83, 84, 86), C::rgb255(255, 255, 255)},
    ColorEntry{"listcellBGC", C::rgb255(83, 84, 86), C::rgb255(255, 255, 255)},
    ColorEntry{"listcellSeleBGC", C::rgb255(68, 68, 68), C::rgb255(242, 244, 245)},
    ColorEntry{"listcellLabel", C::rgb255(171, 171, 171), C::rgb255(180, 180, 180)},
    ColorEntry{"listcellTitleLabel", C::rgb255(201, 201, 201), C::rgb255(119, 119, 119)},
    ColorEntry{"listcellDownload", C::rgb255(243, 243, 243), C::rgb255(243, 243, 243)},
    ColorEntry{"listcellDownlabel", C::rgb255(0, 0, 0), C::rgb255(0, 0, 0)},
    ColorEntry{"CustomTFBGC", C::rgb255(41, 41, 41), C::rgb255(246, 246, 246)},
    ColorEntry{"CustomTFText", C::rgb255(204, 204, 204), C::rgb255(128, 128, 128)},
    ColorEntry{"CustomTFPlace", C::rgb255(204, 204, 204), C::rgb255(204, 204, 204)},
    ColorEntry{"sortingViewNormol", C::rgb255(204, 204, 204), C::rgb255(204, 204, 204)},
    ColorEntry{"sortingViewSelected", C::rgb255(151, 125, 98), C::rgb255(151, 125, 98)},
    ColorEntry{"filterViewReset", C::rgb255(255, 255, 255), C::rgb255(43, 43, 43)},
    ColorEntry{"filterViewTopline", C::rgb255(255, 255, 255, 0.2), C::rgb255(247, 247, 247)},
    ColorEntry{"filterViewTabNor", C::rgb255(174, 174, 174), C::rgb255(170, 170, 170)},
    ColorEntry{"filterViewTabSele", C::rgb255(0, 0, 0), C::rgb255(0, 0, 0)},
    ColorEntry{"filterViewTabSeleBG", C::rgb255(255, 173, 0, 0.8), C::rgb255(255, 173, 0, 0.8)},
    ColorEntry{"filterViewCellBGC", C::rgb255(61, 61, 61), C::rgb255(255, 255, 255)},
    ColorEntry{"filterViewLine", C::rgb255(51, 51, 51), C::rgb255(238, 238, 238)},
    ColorEntry{"filterViewSection", C::rgb255(128, 128, 128), C::rgb255(188, 188, 188)},
    ColorEntry{"filterViewTagNor", C::rgb255(185, 185, 185), C::rgb255(128, 128, 128)},
    ColorEntry{"filterViewTagSele", C::rgb255(255, 255, 255), C::rgb255(38, 38, 38)},
    ColorEntry{"locallistcellLabel", C::rgb255(255, 255, 255), C::rgb255(51, 51, 51)},
    ColorEntry{"cnBtnNomal", C::rgb255(255, 255, 255, 0.5), C::rgb255(96, 96, 96)},
    ColorEntry{"enBtnNomal", C::rgb255(255, 255, 255, 0.5), C::rgb255(96, 96, 96)},
    ColorEntry{"cnBtnSelect", C::rgb255(255, 255, 255), C::rgb255(47, 47, 47)},
    ColorEntry{"enBtnSelect", C::rgb255(255, 255, 255), C::rgb255(47, 47, 47)},
    ColorEntry{"progressNumColor", C::rgb255(255, 255, 255), C::rgb255(83, 207, 117)},
    ColorEntry{"enterCellLeftColor", C::rgb255(83, 84, 86), C::rgb255(255, 255, 255)},
    ColorEntry{"enterCellRightColor", C::rgb255(64, 65, 66), C::rgb255(248, 248, 248)},
};

// The names are resource names and are spelt as the artwork is filed, "mormal" included. The
// cart icon is handled apart because it depends on the user. smallImgStr, bigImgStr,
// themeImgStr, refreshImgStr, editBtnImgStr and searchBtnImgStr are in neither set.
constexpr std::array kImageSets{
    ImageEntry{"editImgStr", "customStrBtnNight", "customStrBtnDay"},
    ImageEntry{"searchImgStr", "search-mormal-day", "search-Night"},
    ImageEntry{"cnBtnImgStr", "CNBtn-normal-day", "CNBtn-SelectNight"},
    ImageEntry{"fontStyleBtnImgStr", "fontStyle-mormal-day", "fontStyleBtn-Night"},
    ImageEntry{"fontTypeBtnImgStr", "fontType-mormal-day", "fontTypeBtn-Night"},
    ImageEntry{"fontWeightBtnImgStr", "fontWeight-mormal-day", "fontWeightBtn-Night"},
    ImageEntry{"fontAdvanceBtnImgStr", "advanced-mormal-day", "advanceBtn-Night"},
    ImageEntry{"rightSliderImgStr", "bigFontDay", "bigFontNight"},
    ImageEntry{"leftSliderImgStr", "smallFontDay", "smallFontNight"},
    ImageEntry{"freeTopicImgStr", "freeTopic_night", "freeTopic_day"},
    ImageEntry{"heartTopicImgStr", "heartTopic_night", "heartTopic_day"},
    ImageEntry{"rNewTopicImgStr", "newTopic_night", "newTopic_day"},
    ImageEntry{"gbkTopicImgStr", "gbkTopicNight", "gbkTopicDay"},
    ImageEntry{"threeDTopicImgStr", "threeDTopicNight", "threeDTopicDay"},
};

constexpr std::string_view kCartDark = "fontCartDay";
constexpr std::string_view kCartLight = "fontCartNight";
constexpr std::string_view kVipPrefix = "vip";
constexpr std::string_view kVipTypeKey = "vip_type";

template <typename Table>
auto findMember(const Table& table, std::string_view key)
{
    auto it = std::find_if(table.begin(), table.end(), [&](const auto& row) { return row.first == key; });
    return it == table.end() ? nullptr : it->second;
}

} // namespace

struct KXThemeManager::Tables {
    using ColorMember = Color KXThemeManager::*;
    using ImageMember = ImageName KXThemeManager::*;

    static const std::array<std::pair<std::string_view, ColorMember>, 31>& colors()
    {
        static const std::array<std::pair<std::string_view, ColorMember>, 31> table{{
        {"RightBGC", &KXThemeManager::RightBGC_},
        {"listcellBGC", &KXThemeManager::listcellBGC_},
        {"listcellSeleBGC", &KXThemeManager::listcellSeleBGC_},
        {"listcellLabel", &KXThemeManager::listcellLabel_},
        {"listcellTitleLabel", &KXThemeManager::listcellTitleLabel_},
        {"listcellDownload", &KXThemeManager::listcellDownload_},
        {"listcellDownlabel", &KXThemeManager::listcellDownlabel_},
        {"CustomTFBGC", &KXThemeManager::CustomTFBGC_},
        {"CustomTFText", &KXThemeManager::CustomTFText_},
        {"CustomTFPlace", &KXThemeManager::CustomTFPlace_},
        {"sortingViewNormol", &KXThemeManager::sortingViewNormol_},
        {"sortingViewSelected", &KXThemeManager::sortingViewSelected_},
        {"filterViewReset", &KXThemeManager::filterViewReset_},
        {"filterViewTopline", &KXThemeManager::filterViewTopline_},
        {"filterViewTabNor", &KXThemeManager::filterViewTabNor_},
        {"filterViewTabSele", &KXThemeManager::filterViewTabSele_},
        {"filterViewTabSeleBG", &KXThemeManager::filterViewTabSeleBG_},
        {"filterViewTabNorBG", &KXThemeManager::filterViewTabNorBG_},
        {"filterViewCellBGC", &KXThemeManager::filterViewCellBGC_},
        {"filterViewLine", &KXThemeManager::filterViewLine_},
        {"filterViewSection", &KXThemeManager::filterViewSection_},
        {"filterViewTagNor", &KXThemeManager::filterViewTagNor_},
        {"filterViewTagSele", &KXThemeManager::filterViewTagSele_},
        {"locallistcellLabel", &KXThemeManager::locallistcellLabel_},
        {"cnBtnNomal", &KXThemeManager::cnBtnNomal_},
        {"enBtnNomal", &KXThemeManager::enBtnNomal_},
        {"cnBtnSelect", &KXThemeManager::cnBtnSelect_},
        {"enBtnSelect", &KXThemeManager::enBtnSelect_},
        {"progressNumColor", &KXThemeManager::progressNumColor_},
        {"enterCellLeftColor", &KXThemeManager::enterCellLeftColor_},
        {"enterCellRightColor", &KXThemeManager::enterCellRightColor_},
        }};
        return table;
    }

    static const std::array<std::pair<std::string_view, ImageMember>, 21>& images()
    {
        static const std::array<std::pair<std::string_view, ImageMember>, 21> table{{
        {"editImgStr", &KXThemeManager::editImgStr_},
        {"smallImgStr", &KXThemeManager::smallImgStr_},
        {"bigImgStr", &KXThemeManager::bigImgStr_},
        {"themeImgStr", &KXThemeManager::themeImgStr_},
        {"searchImgStr", &KXThemeManager::searchImgStr_},
        {"refreshImgStr", &KXThemeManager::refreshImgStr_},
        {"cnBtnImgStr", &KXThemeManager::cnBtnImgStr_},
        {"fontStyleBtnImgStr", &KXThemeManager::fontStyleBtnImgStr_},
        {"fontTypeBtnImgStr", &KXThemeManager::fontTypeBtnImgStr_},
        {"fontWeightBtnImgStr", &KXThemeManager::fontWeightBtnImgStr_},
        {"fontAdvanceBtnImgStr", &KXThemeManager::fontAdvanceBtnImgStr_},
        {"editBtnImgStr", &KXThemeManager::editBtnImgStr_},
        {"searchBtnImgStr", &KXThemeManager::searchBtnImgStr_},
        {"rightSliderImgStr", &KXThemeManager::rightSliderImgStr_},
        {"leftSliderImgStr", &KXThemeManager::leftSliderImgStr_},
        {"freeTopicImgStr", &KXThemeManager::freeTopicImgStr_},
        {"heartTopicImgStr", &KXThemeManager::heartTopicImgStr_},
        {"rNewTopicImgStr", &KXThemeManager::rNewTopicImgStr_},
        {"gbkTopicImgStr", &KXThemeManager::gbkTopicImgStr_},
        {"threeDTopicImgStr", &KXThemeManager::threeDTopicImgStr_},
        {"buyCartsImgstr", &KXThemeManager::buyCartsImgstr_},
        }};
        return table;
    }
};

KXThemeManager& KXThemeManager::themeManager()
{
    // A function-local static is initialised once even when threads race to the first call.
    static KXThemeManager shared;
    return shared;
}

KXThemeManager::KXThemeManager(foundation::UserDefaults* defaults)
    : defaults_(defaults)
{
}

void KXThemeManager::setIsNight(bool isNight)
{
    isNight_ = isNight;
    const bool light = isNight_;
    for (const auto& entry : kColorSets)
        this->*findMember(Tables::colors(), entry.key) = light ? entry.light : entry.dark;
    for (const auto& entry : kImageSets)
        this->*findMember(Tables::images(), entry.key) = std::string(light ? entry.light : entry.dark);

    std::string cart(light ? kCartLight : kCartDark);
    auto& defaults = defaults_ ? *defaults_ : foundation::UserDefaults::standardUserDefaults();
    const auto vipType = defaults.objectForKey(kVipTypeKey);
    if (auto text = vipType.as<foundation::String>(); text && text->length() > 0)
        cart.insert(0, kVipPrefix);
    buyCartsImgstr_ = std::move(cart);
}

KXThemeManager::Color KXThemeManager::colorForKey(std::string_view key) const
{
    auto member = findMember(Tables::colors(), key);
    return member ? this->*member : Color{};
}

KXThemeManager::ImageName KXThemeManager::imageNameForKey(std::string_view key) const
{
    auto member = findMember(Tables::images(), key);
    return member ? this->*member : ImageName{};
}

const std::vector<std::string_view>& KXThemeManager::colorKeys()
{
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> out;
        for (const auto& row : Tables::colors())
            out.push_back(row.first);
        return out;
    }();
    return keys;
}

const std::vector<std::string_view>& KXThemeManager::imageNameKeys()
{
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> out;
        for (const auto& row : Tables::images())
            out.push_back(row.first);
        return out;
    }();
    return keys;
}
