#pragma once

#include "Class/Theme/KXColor.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class UserDefaults;
}

// The application's one palette: the flag `isNight` and the colours and image names that themed
// views read when they build or redraw themselves. setIsNight() refills every entry from one of
// two fixed sets; the palette draws nothing and posts nothing, views re-read it themselves.
//
// isNight false selects the dark set (dark grey backgrounds, light text); true selects the light
// set. A fresh palette has isNight false and every entry nil until the first setIsNight().
//
// The shopping-cart icon follows the user's VIP state, read from the user default "vip_type" at
// each setIsNight(); the session re-applies the current flag after the user changes.
//
// Main thread only, except themeManager() itself, which is safe to call from any thread.
class KXThemeManager {
public:
    using Color = std::optional<KXColor>;
    using ImageName = std::optional<std::string>;

    // The shared palette, made on first use.
    static KXThemeManager& themeManager();

    // A palette of its own that reads "vip_type" from `defaults` (the standard store when null).
    explicit KXThemeManager(foundation::UserDefaults* defaults = nullptr);
    KXThemeManager(const KXThemeManager&) = delete;
    KXThemeManager& operator=(const KXThemeManager&) = delete;

    bool isNight() const { return isNight_; }
    // Stores the flag and assigns every entry of the set it selects, also when the flag is
    // unchanged. Entries that neither set names are left alone.
    void setIsNight(bool isNight);

    // Reads an entry by its property name; nil for entries that are not set or unknown names.
    Color colorForKey(std::string_view key) const;
    ImageName imageNameForKey(std::string_view key) const;
    // Every colour and image name property, in declaration order.
    static const std::vector<std::string_view>& colorKeys();
    static const std::vector<std::string_view>& imageNameKeys();

    // Colours.
    const Color& RightBGC() const { return RightBGC_; }
    void setRightBGC(Color value) { RightBGC_ = value; }
    const Color& listcellBGC() const { return listcellBGC_; }
    void setListcellBGC(Color value) { listcellBGC_ = value; }
    const Color& listcellSeleBGC() const { return listcellSeleBGC_; }
    void setListcellSeleBGC(Color value) { listcellSeleBGC_ = value; }
    const Color& listcellLabel() const { return listcellLabel_; }
    void setListcellLabel(Color value) { listcellLabel_ = value; }
    const Color& listcellTitleLabel() const { return listcellTitleLabel_; }
    void setListcellTitleLabel(Color value) { listcellTitleLabel_ = value; }
    const Color& listcellDownload() const { return listcellDownload_; }
    void setListcellDownload(Color value) { listcellDownload_ = value; }
    const Color& listcellDownlabel() const { return listcellDownlabel_; }
    void setListcellDownlabel(Color value) { listcellDownlabel_ = value; }
    const Color& CustomTFBGC() const { return CustomTFBGC_; }
    void setCustomTFBGC(Color value) { CustomTFBGC_ = value; }
    const Color& CustomTFText() const { return CustomTFText_; }
    void setCustomTFText(Color value) { CustomTFText_ = value; }
    const Color& CustomTFPlace() const { return CustomTFPlace_; }
    void setCustomTFPlace(Color value) { CustomTFPlace_ = value; }
    const Color& sortingViewNormol() const { return sortingViewNormol_; }
    void setSortingViewNormol(Color value) { sortingViewNormol_ = value; }
    const Color& sortingViewSelected() const { return sortingViewSelected_; }
    void setSortingViewSelected(Color value) { sortingViewSelected_ = value; }
    const Color& filterViewReset() const { return filterViewReset_; }
    void setFilterViewReset(Color value) { filterViewReset_ = value; }
    const Color& filterViewTopline() const { return filterViewTopline_; }
    void setFilterViewTopline(Color value) { filterViewTopline_ = value; }
    const Color& filterViewTabNor() const { return filterViewTabNor_; }
    void setFilterViewTabNor(Color value) { filterViewTabNor_ = value; }
    const Color& filterViewTabSele() const { return filterViewTabSele_; }
    void setFilterViewTabSele(Color value) { filterViewTabSele_ = value; }
    const Color& filterViewTabSeleBG() const { return filterViewTabSeleBG_; }
    void setFilterViewTabSeleBG(Color value) { filterViewTabSeleBG_ = value; }
    const Color& filterViewTabNorBG() const { return filterViewTabNorBG_; }
    void setFilterViewTabNorBG(Color value) { filterViewTabNorBG_ = value; }
    const Color& filterViewCellBGC() const { return filterViewCellBGC_; }
    void setFilterViewCellBGC(Color value) { filterViewCellBGC_ = value; }
    const Color& filterViewLine() const { return filterViewLine_; }
    void setFilterViewLine(Color value) { filterViewLine_ = value; }
    const Color& filterViewSection() const { return filterViewSection_; }
    void setFilterViewSection(Color value) { filterViewSection_ = value; }
    const Color& filterViewTagNor() const { return filterViewTagNor_; }
    void setFilterViewTagNor(Color value) { filterViewTagNor_ = value; }
    const Color& filterViewTagSele() const { return filterViewTagSele_; }
    void setFilterViewTagSele(Color value) { filterViewTagSele_ = value; }
    const Color& locallistcellLabel() const { return locallistcellLabel_; }
    void setLocallistcellLabel(Color value) { locallistcellLabel_ = value; }
    const Color& cnBtnNomal() const { return cnBtnNomal_; }
    void setCnBtnNomal(Color value) { cnBtnNomal_ = value; }
    const Color& enBtnNomal() const { return enBtnNomal_; }
    void setEnBtnNomal(Color value) { enBtnNomal_ = value; }
    const Color& cnBtnSelect() const { return cnBtnSelect_; }
    void setCnBtnSelect(Color value) { cnBtnSelect_ = value; }
    const Color& enBtnSelect() const { return enBtnSelect_; }
    void setEnBtnSelect(Color value) { enBtnSelect_ = value; }
    const Color& progressNumColor() const { return progressNumColor_; }
    void setProgressNumColor(Color value) { progressNumColor_ = value; }
    const Color& enterCellLeftColor() const { return enterCellLeftColor_; }
    void setEnterCellLeftColor(Color value) { enterCellLeftColor_ = value; }
    const Color& enterCellRightColor() const { return enterCellRightColor_; }
    void setEnterCellRightColor(Color value) { enterCellRightColor_ = value; }

    // Image names.
    const ImageName& editImgStr() const { return editImgStr_; }
    void setEditImgStr(ImageName value) { editImgStr_ = std::move(value); }
    const ImageName& smallImgStr() const { return smallImgStr_; }
    void setSmallImgStr(ImageName value) { smallImgStr_ = std::move(value); }
    const ImageName& bigImgStr() const { return bigImgStr_; }
    void setBigImgStr(ImageName value) { bigImgStr_ = std::move(value); }
    const ImageName& themeImgStr() const { return themeImgStr_; }
    void setThemeImgStr(ImageName value) { themeImgStr_ = std::move(value); }
    const ImageName& searchImgStr() const { return searchImgStr_; }
    void setSearchImgStr(ImageName value) { searchImgStr_ = std::move(value); }
    const ImageName& refreshImgStr() const { return refreshImgStr_; }
    void setRefreshImgStr(ImageName value) { refreshImgStr_ = std::move(value); }
    const ImageName& cnBtnImgStr() const { return cnBtnImgStr_; }
    void setCnBtnImgStr(ImageName value) { cnBtnImgStr_ = std::move(value); }
    const ImageName& fontStyleBtnImgStr() const { return fontStyleBtnImgStr_; }
    void setFontStyleBtnImgStr(ImageName value) { fontStyleBtnImgStr_ = std::move(value); }
    const ImageName& fontTypeBtnImgStr() const { return fontTypeBtnImgStr_; }
    void setFontTypeBtnImgStr(ImageName value) { fontTypeBtnImgStr_ = std::move(value); }
    const ImageName& fontWeightBtnImgStr() const { return fontWeightBtnImgStr_; }
    void setFontWeightBtnImgStr(ImageName value) { fontWeightBtnImgStr_ = std::move(value); }
    const ImageName& fontAdvanceBtnImgStr() const { return fontAdvanceBtnImgStr_; }
    void setFontAdvanceBtnImgStr(ImageName value) { fontAdvanceBtnImgStr_ = std::move(value); }
    const ImageName& editBtnImgStr() const { return editBtnImgStr_; }
    void setEditBtnImgStr(ImageName value) { editBtnImgStr_ = std::move(value); }
    const ImageName& searchBtnImgStr() const { return searchBtnImgStr_; }
    void setSearchBtnImgStr(ImageName value) { searchBtnImgStr_ = std::move(value); }
    const ImageName& rightSliderImgStr() const { return rightSliderImgStr_; }
    void setRightSliderImgStr(ImageName value) { rightSliderImgStr_ = std::move(value); }
    const ImageName& leftSliderImgStr() const { return leftSliderImgStr_; }
    void setLeftSliderImgStr(ImageName value) { leftSliderImgStr_ = std::move(value); }
    const ImageName& freeTopicImgStr() const { return freeTopicImgStr_; }
    void setFreeTopicImgStr(ImageName value) { freeTopicImgStr_ = std::move(value); }
    const ImageName& heartTopicImgStr() const { return heartTopicImgStr_; }
    void setHeartTopicImgStr(ImageName value) { heartTopicImgStr_ = std::move(value); }
    const ImageName& rNewTopicImgStr() const { return rNewTopicImgStr_; }
    void setRNewTopicImgStr(ImageName value) { rNewTopicImgStr_ = std::move(value); }
    const ImageName& gbkTopicImgStr() const { return gbkTopicImgStr_; }
    void setGbkTopicImgStr(ImageName value) { gbkTopicImgStr_ = std::move(value); }
    const ImageName& threeDTopicImgStr() const { return threeDTopicImgStr_; }
    void setThreeDTopicImgStr(ImageName value) { threeDTopicImgStr_ = std::move(value); }
    const ImageName& buyCartsImgstr() const { return buyCartsImgstr_; }
    void setBuyCartsImgstr(ImageName value) { buyCartsImgstr_ = std::move(value); }

private:
    struct Tables;
    foundation::UserDefaults* defaults_;
    bool isNight_ = false;

    Color RightBGC_;
    Color listcellBGC_;
    Color listcellSeleBGC_;
    Color listcellLabel_;
    Color listcellTitleLabel_;
    Color listcellDownload_;
    Color listcellDownlabel_;
    Color CustomTFBGC_;
    Color CustomTFText_;
    Color CustomTFPlace_;
    Color sortingViewNormol_;
    Color sortingViewSelected_;
    Color filterViewReset_;
    Color filterViewTopline_;
    Color filterViewTabNor_;
    Color filterViewTabSele_;
    Color filterViewTabSeleBG_;
    Color filterViewTabNorBG_;
    Color filterViewCellBGC_;
    Color filterViewLine_;
    Color filterViewSection_;
    Color filterViewTagNor_;
    Color filterViewTagSele_;
    Color locallistcellLabel_;
    Color cnBtnNomal_;
    Color enBtnNomal_;
    Color cnBtnSelect_;
    Color enBtnSelect_;
    Color progressNumColor_;
    Color enterCellLeftColor_;
    Color enterCellRightColor_;
    ImageName editImgStr_;
    ImageName smallImgStr_;
    ImageName bigImgStr_;
    ImageName themeImgStr_;
    ImageName searchImgStr_;
    ImageName refreshImgStr_;
    ImageName cnBtnImgStr_;
    ImageName fontStyleBtnImgStr_;
    ImageName fontTypeBtnImgStr_;
    ImageName fontWeightBtnImgStr_;
    ImageName fontAdvanceBtnImgStr_;
    ImageName editBtnImgStr_;
    ImageName searchBtnImgStr_;
    ImageName rightSliderImgStr_;
    ImageName leftSliderImgStr_;
    ImageName freeTopicImgStr_;
    ImageName heartTopicImgStr_;
    ImageName rNewTopicImgStr_;
    ImageName gbkTopicImgStr_;
    ImageName threeDTopicImgStr_;
    ImageName buyCartsImgstr_;
};
