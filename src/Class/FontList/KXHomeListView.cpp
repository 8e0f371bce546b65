#include "Class/FontList/KXHomeListView.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/Core/KXListRowSetup.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListViewAdapter.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/Theme/KXThemeToggle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Storage/UserDefaults.h"


#include <cstdio>

using foundation::Id;
using foundation::Ref;
using fontliststyle::fill;
using fontliststyle::plainLabel;
using fontliststyle::systemFont;
using layoutwidgets::lcView;

namespace {

float gPreviewSize = KXHomeListView::kStartPreviewSize;
bool gCustomTextActive = false;

QPixmap pixmapNamed(const std::optional<std::string>& name)
{
    return QPixmap::fromImage(KXImage::imageNamed(name.value_or("")).image());
}

QLabel* greyLabel(const QString& text, QWidget* parent)
{
    auto* label = plainLabel(text, 12, QColor::fromRgbF(0.6f, 0.6f, 0.6f), parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// An empty view of the panel: full width, `height` high at `top`, its image (60 x 60, centred,
// `imageTop` from its top) above a grey centred two-line label. Made hidden.
struct EmptyView {
    QWidget* view;
    QLabel* image;
    QLabel* label;
};

EmptyView makeEmptyView(QWidget& panel, const char* imageName, double top, double height, double imageTop)
{
    auto* view = new QWidget(&panel);
    auto* image = new QLabel(view);
    image->setPixmap(pixmapNamed(std::string(imageName)));
    auto* label = greyLabel(QString(), view);
    lc_makeConstraints(lcView(view), [&](LCConstraintMaker& make) {
        make.height().equalTo(height);
        make.top().equalTo(top);
        make.left().right().equalTo(0);
    });
    lc_makeConstraints(lcView(image), [&](LCConstraintMaker& make) {
        make.width().height().equalTo(60);
        make.top().equalTo(imageTop);
        make.centerX().equalTo(0);
    });
    lc_makeConstraints(lcView(label), [image](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(image))).offset(10);
        make.left().right().equalTo(0);
        make.height().equalTo(36);
    });
    view->hide();
    return {view, image, label};
}

} // namespace

// The list's row: before a record is laid out it gets the list's set-up for the current mode.
class KXHomeListView::RowDelegate final : public KXHomeListTableCellView {
public:
    RowDelegate(KXHomeListView& list)
        : KXHomeListTableCellView(&list)
        , list_(list)
    {
    }

protected:
    void prepareRecord(KXFontBaseModel& record) const override
    {
        KXListRowSetup::prepare(record, list_.tabTypeNum(), KXHomeListView::previewSize(), KXDownloadedFontMap::shared());
    }

private:
    KXHomeListView& list_;
};

void KXHomeListView::Adapter::roadReloadRecord(const Ref<KXFontBaseModel>& record)
{
    if (list_)
        list_->model_->reloadRecord(record);
}

Ref<KXFontBaseModel> KXHomeListView::Adapter::roadShownRecord(long long fontid) const
{
    return list_ ? list_->model_->recordOfFontid(fontid) : nullptr;
}

float KXHomeListView::previewSize()
{
    return gPreviewSize;
}

void KXHomeListView::setPreviewSize(float size)
{
    gPreviewSize = size;
}

bool KXHomeListView::isCustomTextActive()
{
    return gCustomTextActive;
}

void KXHomeListView::setCustomTextActive(bool active)
{
    gCustomTextActive = active;
}

KXHomeListView::KXHomeListView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
    , frameRect_(frame)
    , adapter_(std::make_shared<Adapter>(this))
{
    setGeometry(frame);
    road_ = KXFontRowRoad::create(adapter_, KXFontRowRoadPolicy::fontList());
    reload_ = KXListReload::create(KXBaseDBManager::shareDBManager());
    reload_->setRestHandler(dispatch::guardedQt(this, [](KXHomeListView& list, const KXListReload::Rest& rest) {
        list.showRestOfReload(rest);
    }));
    setupUI();
    setData();

    auto& centre = dispatch::NotificationCenter::defaultCenter();
    scrollEnd_ = centre.addObserver(KXFontTableView::kDidEndLiveScrollNotification, Id(), nullptr,
                                    dispatch::guardedQt(this, [](KXHomeListView& list, const dispatch::Notification&) {
                                        list.scrollViewEndScroll();
                                    }));
    scrollBegin_ = centre.addObserver(KXFontTableView::kWillStartLiveScrollNotification, Id(), nullptr,
                                      dispatch::guardedQt(this, [](KXHomeListView& list, const dispatch::Notification&) {
                                          list.scrollViewbeginScroll();
                                      }));
}

KXHomeListView::~KXHomeListView() = default;

KXHomeListTableCellView* KXHomeListView::rowView() const
{
    return rowDelegate_;
}

void KXHomeListView::setupUI()
{
    auto& theme = KXThemeManager::themeManager();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    KXThemeToggle::startInDarkSet(theme, defaults);
    fill(*this, kx_qcolor(theme.RightBGC()));

    setupToolbar();

    model_ = new KXFontListModel(this);
    // A change of tab builds new records: those of a font that loads show its ring from the start.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { road_->showLoadingFonts(); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { road_->showLoadingFonts(); });
    listTableView_ = new KXFontTableView(this);
    rowDelegate_ = new RowDelegate(*this);
    rowDelegate_->setDelegate(adapter_);
    listTableView_->setRowDelegate(rowDelegate_);
    listTableView_->setModel(model_);
    listTableView_->setRowHeight(previewSize());
    fill(*listTableView_->viewport(), kx_qcolor(theme.RightBGC()));
    lc_makeConstraints(lcView(listTableView_), [this](LCConstraintMaker& make) {
        make.top().equalTo(tableTop_);
        make.left().equalTo(5);
        make.right().equalTo(-5);
        make.bottom().equalTo(-40);
    });

    defaults.setObject(Id("1"), KXThemeToggle::kDefaultsKey);
    defaults.synchronize();
    themeClick();
}

void KXHomeListView::setupToolbar()
{
    auto languageButton = [this](const char* title, const char* tip) {
        auto* button = KXBaseButton::buttonWithTitle(QString::fromUtf8(title), {}, this);
        button->setNormalFont(systemFont(16));
        button->setNormalColor(QColor::fromRgbF(1, 1, 1, 0.5));
        button->setSelectedColor(QColor(Qt::white));
        button->setToolTip(QString::fromUtf8(tip));
        button->setToolTipTitle(QString::fromUtf8(tip));
        return button;
    };
    auto imageButton = [this](const char* image, const char* tip) {
        auto* button = KXBaseButton::buttonWithImage(KXImage::imageNamed(image), {}, this);
        if (tip) {
            button->setToolTip(QString::fromUtf8(tip));
            button->setToolTipTitle(QString::fromUtf8(tip));
        }
        return button;
    };

    targetLine_ = new QWidget(this);
    fill(*targetLine_, QColor::fromRgbF(1.0f, 0.878f, 0.169f));
    CNBtn_ = languageButton("中文", "中文分类");
    CNBtn_->setSelected(true);
    ENBtn_ = languageButton("外文", "外文");
    lc_makeConstraints(lcView(CNBtn_), [](LCConstraintMaker& make) {
        make.top().equalTo(10);
        make.left().equalTo(10);
    });
    lc_makeConstraints(lcView(ENBtn_), [](LCConstraintMaker& make) {
        make.top().equalTo(10);
        make.left().equalTo(55);
    });
    // The underline is a marker behind the selected language's title.
    lc_makeConstraints(lcView(targetLine_), [](LCConstraintMaker& make) {
        make.width().equalTo(33);
        make.height().equalTo(6);
        make.top().equalTo(22);
        make.left().equalTo(12);
    });

    fontStyleBtn_ = imageButton("fontStyle-mormal-day", "风格");
    fontWeightBtn_ = imageButton("fontWeight-mormal-day", "字重");
    fontTypeBtn_ = imageButton("fontType-mormal-day", "字体类型");
    advancedBtn_ = imageButton("advanced-mormal-day", "筛选");
    CNBtn_->setAction([this](KXBaseButton*) { cnBtnClick(); });
    ENBtn_->setAction([this](KXBaseButton*) { enBtnClick(); });
    fontStyleBtn_->setAction([this](KXBaseButton*) { fontStyleBtnClick(); });
    fontWeightBtn_->setAction([this](KXBaseButton*) { fontWeightBtnClick(); });
    fontTypeBtn_->setAction([this](KXBaseButton*) { fontTypeBtnClick(); });
    advancedBtn_->setAction([this](KXBaseButton*) { advancedBtnClick(); });
    lc_makeConstraints(lcView(fontStyleBtn_), [](LCConstraintMaker& make) {
        make.width().equalTo(35);
        make.height().equalTo(12);
        make.top().equalTo(52);
        make.left().equalTo(6);
    });
    lc_makeConstraints(lcView(fontWeightBtn_), [this](LCConstraintMaker& make) {
        make.width().equalTo(35);
        make.height().equalTo(12);
        make.top().equalTo(52);
        make.left().equalTo(lc_right(lcView(fontStyleBtn_))).offset(20);
    });
    lc_makeConstraints(lcView(fontTypeBtn_), [this](LCConstraintMaker& make) {
        make.width().equalTo(59);
        make.height().equalTo(12);
        make.top().equalTo(52);
        make.left().equalTo(lc_right(lcView(fontWeightBtn_))).offset(20);
    });
    lc_makeConstraints(lcView(advancedBtn_), [](LCConstraintMaker& make) {
        make.width().equalTo(38);
        make.height().equalTo(12);
        make.top().equalTo(52);
        make.right().equalTo(-6);
    });

    topBottomLine_ = new QWidget(this);
    lc_makeConstraints(lcView(topBottomLine_), [](LCConstraintMaker& make) {
        make.height().equalTo(1);
        make.top().equalTo(80);
        make.left().right().equalTo(0);
    });

    themeBtn_ = imageButton("daytime-normal", "主题切换");
    themeBtn_->setAlternateImage(KXImage::imageNamed("daytime-active"));
    themeBtn_->setAction([this](KXBaseButton*) { themeClick(); });
    searchBtn_ = imageButton("search-mormal-day", "搜索字体");
    filterBtn_ = imageButton("filter-normal", nullptr);
    searchBtn_->setAction([this](KXBaseButton*) { searchingClick(); });
    filterBtn_->setAction([this](KXBaseButton*) { filterClick(); });
    filterBtn_->hide();
    lc_makeConstraints(lcView(searchBtn_), [](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.top().equalTo(10);
        make.right().equalTo(-10);
    });
    lc_makeConstraints(lcView(filterBtn_), [](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.top().equalTo(10);
        make.right().equalTo(-10);
    });
    // The theme button sits 12 to the left of the search button, on the language titles' line.
    lc_makeConstraints(lcView(themeBtn_), [this](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.right().equalTo(lc_left(lcView(searchBtn_))).offset(-12);
        make.centerY().equalTo(lc_centerY(lcView(CNBtn_)));
    });

    bottomTopLine_ = new QWidget(this);
    lc_makeConstraints(lcView(bottomTopLine_), [](LCConstraintMaker& make) {
        make.height().equalTo(1.5);
        make.bottom().equalTo(-36);
        make.left().right().equalTo(0);
    });
    editStrBtn_ = imageButton("customStrBtnNight", "自定义文字");
    editStrBtn_->setAction([this](KXBaseButton*) { editBtnClick(); });
    lc_makeConstraints(lcView(editStrBtn_), [](LCConstraintMaker& make) {
        make.width().equalTo(112);
        make.height().equalTo(20);
        make.left().equalTo(8);
        make.bottom().equalTo(-8);
    });
    leftSliderImg_ = new QLabel(this);
    lc_makeConstraints(lcView(leftSliderImg_), [this](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.left().equalTo(lc_right(lcView(editStrBtn_))).offset(10);
        make.centerY().equalTo(lc_centerY(lcView(editStrBtn_)));
    });
    imgSizeSlider_ = new KXImageSliderView(this);
    imgSizeSlider_->setDelegate(adapter_);
    rightSliderImg_ = new QLabel(this);
    lc_makeConstraints(lcView(rightSliderImg_), [this](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.left().equalTo(lc_right(lcView(leftSliderImg_))).offset(80);
        make.centerY().equalTo(lc_centerY(lcView(leftSliderImg_)));
    });
    lc_makeConstraints(lcView(imgSizeSlider_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(leftSliderImg_))).offset(2);
        make.right().equalTo(lc_left(lcView(rightSliderImg_))).offset(-2);
        make.height().equalTo(20);
        make.centerY().equalTo(lc_centerY(lcView(leftSliderImg_)));
    });
    targetLine_->stackUnder(CNBtn_);
}

void KXHomeListView::themeClick()
{
    auto& theme = KXThemeManager::themeManager();
    applyTheme(KXThemeToggle::press(theme, foundation::UserDefaults::standardUserDefaults()));
}

void KXHomeListView::applyTheme(const std::string& themeImage)
{
    const auto& theme = KXThemeManager::themeManager();
    themeBtn_->setImage(KXImage::imageNamed(themeImage));
    CNBtn_->setNormalColor(kx_qcolor(theme.cnBtnNomal()));
    CNBtn_->setSelectedColor(kx_qcolor(theme.cnBtnSelect()));
    CNBtn_->setSelected(CNBtn_->isSelected());
    ENBtn_->setNormalColor(kx_qcolor(theme.enBtnNomal()));
    ENBtn_->setSelectedColor(kx_qcolor(theme.enBtnSelect()));
    ENBtn_->setSelected(ENBtn_->isSelected());
    fontTypeBtn_->setImage(KXImage::imageNamed(theme.fontTypeBtnImgStr().value_or("")));
    fontStyleBtn_->setImage(KXImage::imageNamed(theme.fontStyleBtnImgStr().value_or("")));
    fontWeightBtn_->setImage(KXImage::imageNamed(theme.fontWeightBtnImgStr().value_or("")));
    advancedBtn_->setImage(KXImage::imageNamed(theme.fontAdvanceBtnImgStr().value_or("")));
    editStrBtn_->setImage(KXImage::imageNamed(theme.editImgStr().value_or("")));
    searchBtn_->setImage(KXImage::imageNamed(theme.searchImgStr().value_or("")));
    fill(*topBottomLine_, kx_qcolor(theme.filterViewTopline()));
    fill(*bottomTopLine_, kx_qcolor(theme.filterViewTopline()));
    fill(*this, kx_qcolor(theme.RightBGC()));
    fill(*listTableView_->viewport(), kx_qcolor(theme.RightBGC()));
    listTableView_->setScrollerColours(kx_qcolor(theme.RightBGC()), kx_qcolor(theme.listcellTitleLabel()));
    leftSliderImg_->setPixmap(pixmapNamed(theme.leftSliderImgStr()));
    rightSliderImg_->setPixmap(pixmapNamed(theme.rightSliderImgStr()));
    reloadData();
}

void KXHomeListView::reloadData()
{
    model_->reloadData();
    listTableView_->viewport()->update();
}

void KXHomeListView::scrollRowToVisible(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    listTableView_->scrollTo(model_->index(row), QAbstractItemView::EnsureVisible);
}

void KXHomeListView::setData()
{
    tabTypeNum_ = ModeCloud;
    gCustomTextActive = false;
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("默认排序"), "sortingSelected");
    defaults.synchronize();
    customPopoverControllerzDidChooseIndex(0);
}

void KXHomeListView::customPopoverControllerzDidChooseIndex(long long index)
{
    // The default order is read in two parts; the popularity order is not a single statement.
    if (index <= 1)
        showReloadedRows(reloadDefaultOrder());
    else
        showRows(KXSortingData().soringDataBySortType(static_cast<unsigned long long>(index)));
    scrollRowToVisible(0);
}

void KXHomeListView::sliderValueChange(float value)
{
    gPreviewSize = value >= 0.5f ? 180.0f * value : 80.0f * value + 50.0f;
    listTableView_->setRowHeight(gPreviewSize);
    reloadData();
}

void KXHomeListView::loginClick()
{
    if (const auto owner = delegate())
        owner->loginClick();
}

void KXHomeListView::setTabTypeNum(long long mode)
{
    using Kind = KXHomeListOverlays::Kind;
    for (const Kind kind : {Kind::HomeSearchView, Kind::HomeFilterView, Kind::FontGroupAddView, Kind::HomeEditStrView, Kind::FilterView}) {
        QWidget* top = KXHomeListOverlays::topSubview(this);
        if (KXHomeListOverlays::isKind(kind, top))
            kx_removeFromSuperview(top);
    }
    tabTypeNum_ = mode;
    KXGlobalDataBase::sharedKXGlobalDataBase().setFilterD(foundation::MutableDictionary::create());
    // The filter is gone, so its no-result view would lie over rows that no longer belong to it.
    forgetNoDataView();
    if (mode == ModeCloud)
        setData();
    showGroupNoDataView(mode == ModeFolder && (!dataArray_ || dataArray_->count() == 0));
    reloadData();
    scrollRowToVisible(0);
    // A new tab's keys scroll its list. A row click downloads, so the user has no harmless click
    // that would give the list the focus.
    listTableView_->setFocus(Qt::OtherFocusReason);
}

KXBaseButton* KXHomeListView::selectLanguageBtn() const
{
    if (!languages_.selected())
        return nullptr;
    return *languages_.selected() == KXLanguageSwitch::Language::Chinese ? CNBtn_ : ENBtn_;
}

void KXHomeListView::setDataArray(Ref<foundation::MutableArray> rows)
{
    reload_->supersede();
    dataArray_ = std::move(rows);
    // A long list shows its first rows at once and the others on the next turn of the main queue:
    // the table lays out every row it is told of, which the click need not wait for.
    model_->setRecords(dataArray_, KXListReload::kFirstRows);
    listTableView_->awaitMoreRows(model_->heldBackRows() > 0);
    if (model_->heldBackRows() > 0)
        dispatch::guardedOnMain(this, [](KXHomeListView& list) { list.showHeldBackRows(); })();
    const bool empty = !dataArray_ || dataArray_->count() == 0;
    showGroupNoDataView((tabTypeNum_ == ModeRecent || tabTypeNum_ == ModeFolder) && empty);
}

void KXHomeListView::showHeldBackRows()
{
    if (model_->heldBackRows() == 0)
        return;
    model_->showHeldBackRows();
    listTableView_->moreRowsArrived();
}

void KXHomeListView::showGroupNoDataView(bool shown)
{
    if (!shown) {
        if (groupNoDataView_)
            groupNoDataView_->hide();
        return;
    }
    QWidget* view = groupNoDataView();
    view->show();
    view->raise();
}

QWidget* KXHomeListView::groupNoDataView()
{
    if (!groupNoDataView_) {
        const EmptyView empty = makeEmptyView(*this, "localFont", 205, 120, 0);
        groupNoDataLabel_ = empty.label;
        groupNoDataView_ = empty.view;
    }
    groupNoDataLabel_->setText(QString::fromUtf8(tabTypeNum_ == ModeRecent ? "还没有使用字体，赶快体验吧" : "还未收藏字体，赶紧去收藏吧"));
    return groupNoDataView_;
}

QWidget* KXHomeListView::noDataView()
{
    if (!noDataView_) {
        const EmptyView empty = makeEmptyView(*this, "nodataCloud", 170, 150, kNoDataImageTop);
        empty.view->lower();
        empty.label->setText(QString::fromUtf8("云字库没找到您要的字体\n我们给您找到了您可能喜欢的字体"));
        auto* picks = plainLabel(QString::fromUtf8("精选收藏字体"), 12, QColor::fromRgbF(0.592f, 0.490f, 0.384f), empty.view);
        lc_makeConstraints(lcView(picks), [](LCConstraintMaker& make) {
            make.height().equalTo(20);
            make.left().equalTo(5);
            make.right().equalTo(-5);
            make.bottom().equalTo(0);
        });
        noDataView_ = empty.view;
        noDataImage_ = empty.image;
        noDataLabel_ = empty.label;
        noDataPicks_ = picks;
    }
    return noDataView_;
}

void KXHomeListView::cellMouseDown(const Ref<KXFontBaseModel>& record)
{
    road_->tableViewAction(record);
}

void KXHomeListView::downloadTTFPath(const Ref<foundation::String>& path)
{
    road_->downloadTTFPath(path);
}

long long KXHomeListView::selectedRow() const
{
    return model_->rowOfRecord(road_->selectedRecord().get());
}
