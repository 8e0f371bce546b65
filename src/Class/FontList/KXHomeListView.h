#pragma once

#include "Class/FontList/Core/KXCustomText.h"
#include "Class/FontList/Core/KXFilterOutcome.h"
#include "Class/FontList/Core/KXLanguageSwitch.h"
#include "Class/FontList/Core/KXListReload.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXImageSliderView.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class KXBaseButton;
class KXCustomSliderPopoverController;
class KXFontDetailView;
class KXFontListModel;
class KXFontRowRoad;
class KXFontTableView;

// What the font list asks of its owner (the main window's hub); each method does nothing unless
// the owner implements it. Held weakly.
class KXHomeListViewDelegate {
public:
    virtual ~KXHomeListViewDelegate() = default;
    // Open the sign-in window.
    virtual void loginClick() { }
    // Switch the main window to the cloud tab (the hub answers with setTabTypeNum(1)).
    virtual void backToCloudBtn() { }
    // The favourites of a row changed, in this mode.
    virtual void refreshCollection(long long mode) { (void)mode; }
};

// The right-hand half of the main window: a toolbar over the table of font rows. The hub makes
// one panel, becomes its delegate and feeds it the mode (setTabTypeNum), the rows (setDataArray),
// the filter categories and the shown folder's id; on the cloud tab the panel loads the catalogue
// itself (setData). A click on a row runs the row-click road (KXFontRowRoad): sign-in, reports,
// download, installation into the user's font folder and hand-off, with the row's progress ring.
//
// Modes: 0 the recommended page lies over the panel, 1 the cloud catalogue, 2 installed fonts,
// 3 recently used fonts, 4 a favourite folder or followed collection. Each new mode gives the
// table the keyboard focus, so that PageUp, PageDown, Home and End scroll it; the panels the list
// opens (the drop-down filter, the overlays, the detail panel) give the keys back to the table
// when they close, whatever a click inside them did with the keys.
//
// A reload from the catalogue (the cloud list, a language, a filter) shows its first rows at once
// and appends the rest when a background read has it (KXListReload); the rows shown keep their
// place, records and scroll position. Any newer list of rows drops the rest still to come.
//
// The preview size (50 to 180, 90 at start) is one value for the whole process; rows are that
// high, 3 apart. The panel always builds itself in the light palette (the theme toggle's state is
// not kept between launches). It observes, from any sender, the live-scroll notifications of the
// font tables (they set KXGlobalDataBase's scrollSate) and, through its road, "endcellloading".
//
// The toolbar switches the catalogue's language, opens the drop-down filter's pages, the search
// panel and the custom-text editor, and switches the theme; most actions first ask the owner for
// the cloud tab. Overlays of other areas (search, filters, the add-to-folder dialog) come from
// KXHomeListOverlays, which tells how they are registered; an unregistered one opens nothing.
// A row's title opens the font's detail panel (KXFontDetailView) at the panel's right.
//
// Custom preview text: a confirmed text asks the service for previews of it in the fonts of up to
// 100 rows around the first visible one (from 40 above it) and again at each scroll end on the
// cloud tab; the local tab draws it in the installed fonts without asking. A reply is matched to
// the rows off the main thread and applied on the main queue to the very records it was asked
// for, then only the rows holding them now are drawn again; a reply for an older request or
// another text changes nothing. Main thread only.
class KXHomeListView : public QWidget {
    Q_OBJECT

public:
    enum Mode : long long { ModeRecommended = 0, ModeCloud = 1, ModeLocal = 2, ModeRecent = 3, ModeFolder = 4 };
    static constexpr float kStartPreviewSize = 90;

    // initWithFrame: builds the toolbar and the table, loads the cloud catalogue and observes.
    explicit KXHomeListView(const QRect& frame = QRect(0, 0, 900, 700), QWidget* parent = nullptr);
    ~KXHomeListView() override;

    std::shared_ptr<KXHomeListViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeListViewDelegate>& delegate) { delegate_ = delegate; }

    long long tabTypeNum() const { return tabTypeNum_; }
    // Removes the overlay lying on top (each registered kind in turn), stores the mode, empties the
    // global filter, loads the catalogue in mode 1, shows the empty-list view in mode 4 without
    // rows, reloads and scrolls to the top.
    void setTabTypeNum(long long mode);
    const foundation::Ref<foundation::MutableArray>& dataArray() const { return dataArray_; }
    // Shows the rows (kept, not copied); in modes 3 and 4 without rows the empty-list view shows.
    // Of a long list, the table is told of the first rows (KXListReload::kFirstRows) at once and
    // of the others on the next turn of the main queue, below them.
    void setDataArray(foundation::Ref<foundation::MutableArray> rows);
    const foundation::Ref<foundation::MutableArray>& filterDataArray() const { return filterDataArray_; }
    void setFilterDataArray(foundation::Ref<foundation::MutableArray> categories) { filterDataArray_ = std::move(categories); }
    const foundation::Ref<foundation::String>& groupID() const { return groupID_; }
    void setGroupID(foundation::Ref<foundation::String> groupID) { groupID_ = std::move(groupID); }
    const foundation::Ref<foundation::String>& customStr() const { return customStr_; }
    void setCustomStr(foundation::Ref<foundation::String> text) { customStr_ = std::move(text); }
    const QRect& frameRect() const { return frameRect_; }

    // The cloud catalogue in default order (mode 1, "sortingSelected" := "默认排序").
    void setData();
    // The catalogue in the chosen order (0 and 1 default, 2 popularity); reload, back to the top.
    void customPopoverControllerzDidChooseIndex(long long index);
    // The size slider (0 to 1): 80 v + 50 below the middle, 180 v from it; reload.
    void sliderValueChange(float value);
    // The day/night switch: the palette flips, the toolbar and every row re-skin.
    void themeClick();
    // The search panel's sign-in request, passed to the owner.
    void loginClick();
    // No control sends these two (the toolbar has no sort button): outside the cloud tab the sort
    // asks the owner for it and stops; on it, the sort popover has no anchor, so nothing opens.
    // The size popover is made and not shown.
    void sortingClick();
    void imgSizeClick();

    // Custom preview text (the editor's hand-over): active from now, the previews follow.
    void confirmBtnClickWithString(const foundation::Ref<foundation::String>& text);
    // Applies customStr: empty, the catalogue again (setData); on the local tab every row's name;
    // elsewhere a request for the rows around the first visible one.
    void changeFontImage();
    // The live-scroll notifications: scrollSate follows; a scroll end on the cloud tab with a
    // custom text asks for the rows now in view.
    void scrollViewbeginScroll();
    void scrollViewEndScroll();

    // Toolbar actions.
    void cnBtnClick();
    void enBtnClick();
    void fontStyleBtnClick();
    void fontWeightBtnClick();
    void fontTypeBtnClick();
    void advancedBtnClick();
    void filterClick();
    void searchingClick();
    void editBtnClick();
    // Outside the cloud tab, asks the owner for it (backToCloudBtn).
    void backToiCloudBtnClick();
    // The filter pages' choice (category -> tag ids): rows that match, the no-result view over
    // the whole catalogue, or, when empty, the catalogue again.
    void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags);
    // The drop-down filter on top, or a new one 81 below the toolbar's top (nullptr when none is
    // registered).
    QWidget* filterView();

    // Row callbacks (the rows' delegate is the panel).
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record);
    void downloadTTFPath(const foundation::Ref<foundation::String>& path);
    // A title click: the font's detail panel from the service (getInfo), 310 wide at the right.
    void fontTitleClick(long long fontid);
    // The favourite button: the add-to-folder dialog for a signed-in user, else the owner's
    // sign-in.
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record);
    // The add-to-folder dialog changed the folders of the font it was opened for (`row` is the row
    // it was opened with): that font's row now is drawn again, or leaves a folder that no longer
    // holds it; nothing when the font has no row any more.
    void refreshowCell(long row);
    // The detail panel last opened, while it lives.
    KXFontDetailView* detailView() const;

    // The selected row (the row of the last click's record), -1 when it is not shown.
    long long selectedRow() const;

    // Process-wide preview size and custom-text flag.
    static float previewSize();
    static void setPreviewSize(float size);
    static bool isCustomTextActive();
    static void setCustomTextActive(bool active);

    // The views, for the pages that lay things over the panel and for tests.
    KXFontTableView* listTableView() const { return listTableView_; }
    KXFontListModel* listModel() const { return model_; }
    KXHomeListTableCellView* rowView() const;
    KXFontRowRoad& road() const { return *road_; }
    KXListReload& reload() const { return *reload_; }
    KXImageSliderView* imgSizeSlider() const { return imgSizeSlider_; }
    KXBaseButton* themeBtn() const { return themeBtn_; }
    KXBaseButton* CNBtn() const { return CNBtn_; }
    KXBaseButton* ENBtn() const { return ENBtn_; }
    KXBaseButton* searchBtn() const { return searchBtn_; }
    KXBaseButton* filterBtn() const { return filterBtn_; }
    KXBaseButton* editStrBtn() const { return editStrBtn_; }
    KXBaseButton* fontStyleBtn() const { return fontStyleBtn_; }
    KXBaseButton* fontWeightBtn() const { return fontWeightBtn_; }
    KXBaseButton* fontTypeBtn() const { return fontTypeBtn_; }
    KXBaseButton* advancedBtn() const { return advancedBtn_; }
    // The language button chosen last; none at creation, although "中文" is drawn selected.
    KXBaseButton* selectLanguageBtn() const;
    QWidget* targetLine() const { return targetLine_; }
    QLabel* leftSliderImg() const { return leftSliderImg_; }
    QLabel* rightSliderImg() const { return rightSliderImg_; }
    QWidget* topBottomLine() const { return topBottomLine_; }
    QWidget* bottomTopLine() const { return bottomTopLine_; }
    // Made on first use: the no-result view of a filter and the empty-list view of modes 3 and 4
    // (its text follows the mode at each fetch).
    QWidget* noDataView();
    QWidget* groupNoDataView();
    bool hasGroupNoDataView() const { return groupNoDataView_ != nullptr; }
    bool hasNoDataView() const { return noDataView_ != nullptr; }

    // Reloads every row.
    void reloadData();
    void scrollRowToVisible(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Tells the table of the rows of a long list held back by setDataArray().
    void showHeldBackRows();
    // The no-result view's parts: its picture's top, the picture, the two lines under it.
    static constexpr double kNoDataImageTop = 20;
    static constexpr double kNoDataImageHeight = 60;
    static constexpr double kNoDataLabelHeight = 36;
    static constexpr double kNoDataPicksHeight = 20;
    // The bottom bar with its upper line.
    static constexpr double kBottomBarHeight = 37.5;

    class RowDelegate;
    class Adapter;
    void setupUI();
    void setupToolbar();
    void applyTheme(const std::string& themeImage);
    void showGroupNoDataView(bool shown);
    // Rows of another kind: the rest of a reload still to come is dropped.
    void showRows(foundation::Ref<foundation::MutableArray> rows);
    // The rows a reload gave first; its rest follows through showRestOfReload().
    void showReloadedRows(foundation::Ref<foundation::MutableArray> rows);
    void showRestOfReload(const KXListReload::Rest& rest);
    // What a filter found: its rows, or the no-result view over the suggestions.
    void showFilterOutcome(const KXFilterOutcome& outcome);
    // A reload of the whole catalogue in default order (the cloud list, a filter's suggestions):
    // its first rows.
    foundation::Ref<foundation::MutableArray> reloadDefaultOrder();
    void setTableTop(double top);
    // The no-result view below what the open drop-down filter draws (at its own place when none is
    // open) and above the bottom bar, and the table below the view. Short of room it gives up its
    // picture, then its "精选收藏字体" line, then its text, rather than run into the bar.
    void placeNoDataView();
    // The filter is empty again: the no-result view goes and the table moves back up under the
    // toolbar. Every road that empties the filter comes through here.
    void forgetNoDataView();
    // Adds an overlay on top of the panel, its edges on the panel's.
    void addOverlay(QWidget* overlay);
    void removeTopFilterView();
    void openFilterPage(long long page, bool backToCloudFirst, QWidget* opener);
    void chooseLanguage(KXLanguageSwitch::Language language);
    void getNewShowData(const foundation::Id& lists, std::vector<foundation::Ref<KXFontBaseModel>> records,
                        KXCustomText::Slice range, unsigned long long generation, std::string text);
    void applyCustomPreviews(const std::vector<foundation::Ref<KXFontBaseModel>>& records,
                             const std::vector<std::optional<KXCustomText::Match>>& matches, unsigned long long generation,
                             const std::string& text);

    std::weak_ptr<KXHomeListViewDelegate> delegate_;
    foundation::Ref<foundation::MutableArray> filterDataArray_;
    foundation::Ref<foundation::MutableArray> dataArray_;
    long long tabTypeNum_ = 0;
    foundation::Ref<foundation::String> groupID_;
    foundation::Ref<foundation::String> customStr_;
    QRect frameRect_;

    std::shared_ptr<Adapter> adapter_;
    std::shared_ptr<KXFontRowRoad> road_;
    std::shared_ptr<KXListReload> reload_;
    KXFontListModel* model_ = nullptr;
    KXFontTableView* listTableView_ = nullptr;
    RowDelegate* rowDelegate_ = nullptr;

    KXBaseButton* CNBtn_ = nullptr;
    KXBaseButton* ENBtn_ = nullptr;
    QWidget* targetLine_ = nullptr;
    KXBaseButton* fontStyleBtn_ = nullptr;
    KXBaseButton* fontWeightBtn_ = nullptr;
    KXBaseButton* fontTypeBtn_ = nullptr;
    KXBaseButton* advancedBtn_ = nullptr;
    QWidget* topBottomLine_ = nullptr;
    KXBaseButton* themeBtn_ = nullptr;
    KXBaseButton* searchBtn_ = nullptr;
    KXBaseButton* filterBtn_ = nullptr;
    QWidget* bottomTopLine_ = nullptr;
    KXBaseButton* editStrBtn_ = nullptr;
    QLabel* leftSliderImg_ = nullptr;
    KXImageSliderView* imgSizeSlider_ = nullptr;
    QLabel* rightSliderImg_ = nullptr;
    KXLanguageSwitch languages_;
    QPointer<QWidget> noDataView_;
    QPointer<QLabel> noDataImage_;
    QPointer<QLabel> noDataLabel_;
    QPointer<QLabel> noDataPicks_;
    QPointer<QWidget> groupNoDataView_;
    QLabel* groupNoDataLabel_ = nullptr;

    QPointer<QWidget> filterView_;
    QPointer<KXFontDetailView> detailView_;
    QPointer<KXCustomSliderPopoverController> sliderPopover_;
    // The font each add-to-folder dialog was opened for, by the row number it was given.
    std::unordered_map<long, long long> groupAddFonts_;
    // Custom-text requests: the newest one's number; older replies are dropped.
    unsigned long long customGeneration_ = 0;
    // The reload of a filter whose first rows were none while its rows were still being read:
    // whether it found any is known when its rest lands (0: none pending).
    unsigned long long pendingFilter_ = 0;
    double tableTop_ = 85;

    dispatch::Subscription scrollBegin_;
    dispatch::Subscription scrollEnd_;
};
