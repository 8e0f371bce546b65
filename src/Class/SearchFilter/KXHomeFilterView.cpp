#include "Class/SearchFilter/KXHomeFilterView.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QMouseEvent>

using foundation::Ref;
using layoutwidgets::lcView;

class KXHomeFilterView::Adapter final : public KXFilterTableDelegate {
public:
    explicit Adapter(KXHomeFilterView* panel)
        : panel_(panel)
    {
    }
    void filterViewTopicCellClick(const Ref<foundation::String>& value) override
    {
        if (panel_)
            panel_->filterViewTopicCellClick(value);
    }
    void headArrorClick(long long groupID) override
    {
        if (panel_)
            panel_->headArrorClick(groupID);
    }
    void filterViewCellTagClick(const Ref<foundation::Dictionary>& tag) override
    {
        if (panel_)
            panel_->filterViewCellTagClick(tag);
    }

private:
    QPointer<KXHomeFilterView> panel_;
};

KXHomeFilterView::KXHomeFilterView(const QRect& frame, QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    setGeometry(frame);
    setupUI();
    setupData();
    kx_setOverlayKeys(this, [this] { cancelClick(); });
}

KXHomeFilterView::~KXHomeFilterView() = default;

void KXHomeFilterView::setDataArray(Ref<foundation::Array> dataArray)
{
    dataArray_ = std::move(dataArray);
    setupData();
}

void KXHomeFilterView::setupData()
{
    const bool english = KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage();
    if (english)
        defaultLanguage_ = false;
    table_->setCategories(KXFilterCategories::of(dataArray_, english || !defaultLanguage_));
    table_->reloadData();
}

void KXHomeFilterView::setupUI()
{
    const auto& theme = KXThemeManager::themeManager();
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("字体查找"));

    auto* column = new KXBaseView(this);
    bgView_ = column;
    fontliststyle::fill(*bgView_, kx_qcolor(theme.RightBGC()));
    searchfilterstyle::dropShadow(bgView_, -0.1, 0, 10);
    lc_makeConstraints(lcView(bgView_), [](LCConstraintMaker& make) {
        make.top().bottom().right().equalTo(0);
        make.width().equalTo(200);
    });

    auto* icon = new QLabel(bgView_);
    icon->setPixmap(QPixmap::fromImage(KXImage::imageNamed("filter-normal").image()));
    lc_makeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.top().left().equalTo(10);
        make.width().height().equalTo(20);
    });
    auto* title = fontliststyle::plainLabel(QString::fromUtf8("字体筛选"), 12, kx_qcolor(theme.sortingViewSelected()), bgView_);
    lc_makeConstraints(lcView(title), [icon](LCConstraintMaker& make) {
        make.centerY().equalTo(lc_centerY(lcView(icon)));
        make.left().equalTo(lc_right(lcView(icon))).offset(10);
    });
    closeBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("icon_close_active"), [this](KXBaseButton*) { cancelClick(); }, bgView_);
    lc_makeConstraints(lcView(closeBtn_), [](LCConstraintMaker& make) {
        make.top().equalTo(10);
        make.right().equalTo(-10);
        make.width().height().equalTo(20);
    });

    tabBar_ = new QWidget(bgView_);
    fontliststyle::fill(*tabBar_, kx_qcolor(theme.filterViewCellBGC()));
    lc_makeConstraints(lcView(tabBar_), [icon](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(icon))).offset(10);
        make.left().right().equalTo(0);
        make.height().equalTo(32);
    });
    auto tab = [&](const char* text, KXBaseButton::Action action) {
        auto* button = KXBaseButton::buttonWithTitle(QString::fromUtf8(text), std::move(action), tabBar_);
        button->setNormalFont(fontliststyle::systemFont(12));
        button->setNormalColor(kx_qcolor(theme.filterViewTabNor()));
        button->setSelectedColor(kx_qcolor(theme.filterViewTabSele()));
        button->setKXBaseButtonAlignment(0);
        return button;
    };
    cnBtn_ = tab("中文", [this](KXBaseButton*) { cnClick(); });
    enBtn_ = tab("外文", [this](KXBaseButton*) { enClick(); });
    // Both tabs 34 x 16: the second one's 100 x 50 would not fit the 32-high bar.
    lc_makeConstraints(lcView(cnBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.width().equalTo(34);
        make.height().equalTo(16);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(enBtn_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(cnBtn_)));
        make.width().equalTo(34);
        make.height().equalTo(16);
        make.centerY().equalTo(0);
    });
    resetBtn_ = KXBaseButton::buttonWithTitle(QString::fromUtf8("重置"), [this](KXBaseButton*) { resetClick(); }, tabBar_);
    resetBtn_->setNormalFont(fontliststyle::systemFont(12));
    resetBtn_->setNormalColor(kx_qcolor(theme.filterViewReset()));
    lc_makeConstraints(lcView(resetBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-10);
        make.centerY().equalTo(0);
    });

    table_ = new KXFilterTable(KXFilterTable::Kind::SidePanel, selection_, bgView_);
    table_->setDelegate(adapter_);
    fontliststyle::fill(*table_->viewport(), Qt::white);
    fontliststyle::fill(*table_->widget(), kx_qcolor(theme.RightBGC()));
    lc_makeConstraints(lcView(table_), [this](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(tabBar_))).offset(1);
        make.left().right().bottom().equalTo(0);
    });

    // The tabs follow the catalogue shown.
    defaultLanguage_ = true;
    selectTab(cnBtn_);
    if (KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage()) {
        defaultLanguage_ = false;
        selectTab(enBtn_);
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(true);
    }
}

void KXHomeFilterView::selectTab(KXBaseButton* tab)
{
    const auto& theme = KXThemeManager::themeManager();
    for (KXBaseButton* button : {cnBtn_, enBtn_}) {
        const bool selected = button == tab;
        button->setSelected(selected);
        button->setKXBaseButtonAlignment(0);
        searchfilterstyle::fillBackground(*button, kx_qcolor(selected ? theme.filterViewTabSeleBG() : theme.RightBGC()));
    }
    selectedBtn_ = tab;
}

void KXHomeFilterView::report()
{
    if (const auto owner = delegate())
        owner->filterViewTagsClick(selection_.tagsDD());
}

void KXHomeFilterView::filterViewCellTagClick(const Ref<foundation::Dictionary>& tag)
{
    selection_.toggle(tag);
    report();
}

void KXHomeFilterView::filterViewTopicCellClick(const Ref<foundation::String>& value)
{
    filterViewCellTagClick(value ? foundation::Dictionary::create({{foundation::Id(KXFilterCategories::kTopics), foundation::Id(value)}}) : nullptr);
}

void KXHomeFilterView::headArrorClick(long long groupID)
{
    table_->toggleCollapsed(groupID);
    table_->noteHeightOfRowChanged(static_cast<int>(groupID + 1));
}

void KXHomeFilterView::cnClick()
{
    if (selectedBtn_ == cnBtn_)
        return;
    table_->clearCollapsed();
    defaultLanguage_ = true;
    selectTab(cnBtn_);
    selection_.resetBoth();
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
    report();
    setupData();
}

void KXHomeFilterView::enClick()
{
    if (selectedBtn_ == enBtn_)
        return;
    table_->clearCollapsed();
    defaultLanguage_ = false;
    selectTab(enBtn_);
    selection_.resetBoth();
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(true);
    report();
    setupData();
}

void KXHomeFilterView::resetClick()
{
    defaultLanguage_ = true;
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
    selection_.resetBoth();
    report();
    table_->clearCollapsed();
    setupData();
    selectTab(cnBtn_);
}

void KXHomeFilterView::cancelClick()
{
    selection_.storeIfAny();
    kx_removeFromSuperview(this);
}

void KXHomeFilterView::mousePressEvent(QMouseEvent* event)
{
    // A click beside the column closes the panel; the column keeps its own clicks.
    event->accept();
    if (event->button() == Qt::LeftButton)
        cancelClick();
}
