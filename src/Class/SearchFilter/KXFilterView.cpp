#include "Class/SearchFilter/KXFilterView.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/SearchFilter/KXFilterFontWeighCell.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXLabelText.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
using Page = KXFilterGeometry::DropDownPage;

namespace {

constexpr long long kStylePage = 1;
constexpr long long kWeightPage = 2;
constexpr long long kTypePage = 3;
constexpr long long kAdvancedPage = 4;
const char* const kWeightCodes[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
// How far below what shows a tag page is laid out ahead: a wheel turn lays out more before it
// paints, so a few lines suffice.
constexpr double kTagLookAhead = 240;

} // namespace

class KXFilterView::Adapter final : public KXFilterFontWeighCellDelegate, public KXAdvancedFilterViewDelegate {
public:
    explicit Adapter(KXFilterView* view)
        : view_(view)
    {
    }
    void KXFilterFontWeighCellBtnClick(const Ref<foundation::Dictionary>& tag) override
    {
        if (view_)
            view_->KXFilterFontWeighCellBtnClick(tag);
    }
    void filterViewTagsClick(const Ref<foundation::Dictionary>& tags) override
    {
        if (view_)
            view_->filterViewTagsClick(tags);
    }

private:
    QPointer<KXFilterView> view_;
};

KXFilterView::KXFilterView(QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    // Escape closes it as its close tab does; the tab comes and goes with the pages.
    kx_setOverlayKeys(this, [this] { filterviewCloseClick(); });
}

KXFilterView::~KXFilterView() = default;

void KXFilterView::paintEvent(QPaintEvent*)
{
    // The veil that dims the list below.
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.2f));
}

void KXFilterView::pinBesideOpener(LCConstraintMaker& make) const
{
    // The list spans the drop-down over its whole width while its buttons keep to its edges: a
    // page pinned at the far edge of a wide list opens away from the button that opened it.
    const QWidget* host = parentWidget();
    bool atRight = false;
    if (opener_ && host && host->width() > 0) {
        const QPoint centre = host->mapFromGlobal(opener_->mapToGlobal(opener_->rect().center()));
        atRight = centre.x() * 2 > host->width();
    }
    if (atRight)
        make.right().equalTo(0);
    else
        make.left().equalTo(0);
}

void KXFilterView::makeTopArea()
{
    if (topAreaView_) {
        topAreaView_->show();
        return;
    }
    using KXFilterGeometry::kDropDownBarHeight;
    using KXFilterGeometry::kDropDownWidth;
    topAreaView_ = new KXBaseView(this);
    fontliststyle::fill(*topAreaView_, Qt::white);
    lc_makeConstraints(lcView(topAreaView_), [this](LCConstraintMaker& make) {
        make.top().equalTo(0);
        pinBesideOpener(make);
        make.width().equalTo(kDropDownWidth);
        make.height().equalTo(kDropDownBarHeight);
    });
    titleLabel_ = fontliststyle::plainLabel(QString::fromUtf8("风格选项"), 12, QColor(131, 131, 131), topAreaView_);
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(8);
        make.top().equalTo(10);
    });
    auto barButton = [this](const char* title, KXBaseButton::Action action) {
        auto* button = KXBaseButton::buttonWithTitle(QString::fromUtf8(title), std::move(action), topAreaView_);
        button->setNormalFont(fontliststyle::systemFont(12));
        button->setNormalColor(QColor(131, 131, 131));
        return button;
    };
    clearSelectedBtn_ = barButton("清除", [this](KXBaseButton*) { clearSelectedBtnClick(); });
    allSelectedBtn_ = barButton("全部", [this](KXBaseButton*) { allSelectedBtnClick(); });
    lc_makeConstraints(lcView(clearSelectedBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-8);
        make.top().equalTo(10);
    });
    lc_makeConstraints(lcView(allSelectedBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-47);
        make.top().equalTo(10);
    });
    auto* separator = new QWidget(topAreaView_);
    fontliststyle::fill(*separator, QColor(225, 225, 225));
    lc_makeConstraints(lcView(separator), [](LCConstraintMaker& make) {
        make.width().equalTo(1);
        make.height().equalTo(12);
        make.right().equalTo(-39);
        make.top().equalTo(12);
    });

    bgView_ = new KXBaseView(this);
    fontliststyle::fill(*bgView_, Qt::white);
    lc_makeConstraints(lcView(bgView_), [this](LCConstraintMaker& make) {
        make.top().equalTo(kDropDownBarHeight);
        pinBesideOpener(make);
        make.width().equalTo(kDropDownWidth);
        make.height().equalTo(KXFilterGeometry::dropDownTagAreaHeight(0));
    });
    // Scrolled by the wheel, as the filter tables are: no scroller takes room from the lines.
    tagScrollView_ = new QScrollArea(bgView_);
    tagScrollView_->setFrameShape(QFrame::NoFrame);
    tagScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tagScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tagScrollView_->setWidgetResizable(false);
    tagScrollView_->setAutoFillBackground(false);
    tagScrollView_->viewport()->setAutoFillBackground(false);
    tagsView_ = new QWidget;
    tagsView_->setAutoFillBackground(false);
    tagScrollView_->setWidget(tagsView_);
    // A long page lays out further as the wheel nears the end of what is laid out.
    connect(tagScrollView_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (tagScrollView_)
            layOutTagsUntil(value + tagScrollView_->viewport()->height() + kTagLookAhead);
    });
    lc_makeConstraints(lcView(tagScrollView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    setTagContentHeight(KXFilterGeometry::dropDownTagAreaHeight(0));
    auto* tab = new searchfilterstyle::RoundedBox(this, Qt::white, 5);
    cancelBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("filterviewClose"), [this](KXBaseButton*) { filterviewCloseClick(); }, tab);
    lc_makeConstraints(lcView(cancelBtn_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(tab), [this](LCConstraintMaker& make) {
        make.centerX().equalTo(lc_centerX(lcView(bgView_)));
        make.top().equalTo(lc_bottom(lcView(bgView_))).offset(3);
        make.width().equalTo(48);
        make.height().equalTo(20);
    });
    // Made while the drop-down may already show.
    for (QWidget* part : {topAreaView_, bgView_, static_cast<QWidget*>(tab)})
        part->show();
}

void KXFilterView::clearTagArea()
{
    if (!tagsView_)
        return;
    for (QWidget* child : tagsView_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->deleteLater();
    }
    weightCell_ = nullptr;
    tagGrid_ = nullptr;
    tagFlow_ = KXFilterGeometry::DropDownFlow();
    pageTags_ = nullptr;
}

void KXFilterView::setTagContentHeight(double height)
{
    tagContentHeight_ = height;
    tagsView_->resize(
        static_cast<int>(KXFilterGeometry::kDropDownWidth), static_cast<int>(std::ceil(height)));
    if (tagGrid_)
        tagGrid_->resize(tagsView_->size());
    tagScrollView_->verticalScrollBar()->setValue(0);
    fitTagArea();
}

void KXFilterView::fitTagArea()
{
    if (!bgView_)
        return;
    const double shown = KXFilterGeometry::dropDownVisibleHeight(tagContentHeight_, height());
    lc_updateConstraints(lcView(bgView_), [shown](LCConstraintMaker& make) { make.height().equalTo(shown); });
}

void KXFilterView::resizeEvent(QResizeEvent* event)
{
    KXBaseView::resizeEvent(event);
    fitTagArea();
}

void KXFilterView::selectedFilterType(long long type)
{
    if (advancedView_ && KXHomeListOverlays::topSubview(this) == advancedView_) {
        kx_removeFromSuperview(advancedView_);
        advancedView_ = nullptr;
    }
    seletedType_ = type;
    switch (type) {
    case kStylePage:
        showTagPage(KXFilterCategories::kStylePosition, Page::Style);
        break;
    case kTypePage:
        showTagPage(KXFilterCategories::kTypePosition, Page::Type);
        break;
    case kWeightPage:
        showWeightPage();
        break;
    case kAdvancedPage:
        showAdvancedPage();
        break;
    default:
        break;
    }
}

void KXFilterView::showTagPage(std::size_t position, Page page)
{
    makeTopArea();
    clearTagArea();
    auto category = KXFilterCategories::atPosition(
        dataArray_, KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage(), position);
    classStr_ = category ? category->name : std::string();
    // One view paints the page's tags; only those the drop-down can show are measured and placed
    // now, the rest as the area scrolls towards them.
    pageTags_ = category ? category->tags : KXFilterTagList::create();
    tagFlow_ = KXFilterGeometry::DropDownFlow(page);
    tagGrid_ = new KXFilterTagGrid(&selection_, tagsView_);
    tagGrid_->setTags(
        classStr_, pageTags_, [this](std::size_t index) { return tagFlow_.buttons()[index]; },
        KXFilterTagGrid::Shown::AsAppended);
    connect(tagGrid_, &KXFilterTagGrid::tagClicked, this,
        [this](const QString& identifier) { tagClick(identifier); });
    tagGrid_->show();
    layOutTagsUntil(std::max(height(), 1));
    setTagContentHeight(tagContentHeight());
}

void KXFilterView::layOutTagsUntil(double y)
{
    if (!tagGrid_ || !tagsView_ || !pageTags_ || tagGrid_->laidOut() >= pageTags_->count())
        return;
    const bool growing = tagGrid_->laidOut() > 0;
    const QFontMetricsF metrics(fontliststyle::systemFont(12));
    while (tagGrid_->laidOut() < pageTags_->count()
        && (tagFlow_.buttons().empty() || tagFlow_.buttons().back().y <= y)) {
        const double width = metrics.horizontalAdvance(kx_labelText(pageTags_->tagname(tagGrid_->laidOut())));
        tagFlow_.add(width);
        tagGrid_->appendTag(width);
    }
    if (growing) {
        // Grown while scrolling: the area keeps its place.
        tagContentHeight_ = tagContentHeight();
        tagsView_->resize(static_cast<int>(KXFilterGeometry::kDropDownWidth),
            static_cast<int>(std::ceil(tagContentHeight_)));
        tagGrid_->resize(tagsView_->size());
        fitTagArea();
    }
}

double KXFilterView::tagContentHeight() const
{
    const auto& frames = tagFlow_.buttons();
    const std::size_t listed = pageTags_ ? pageTags_->count() : 0;
    if (!tagGrid_ || tagGrid_->laidOut() >= listed)
        return KXFilterGeometry::dropDownContentHeight(frames);
    // Tags still to lay out: the area reaches past those laid out, so the wheel can go on.
    const double laidOut = frames.empty() ? 0 : frames.back().y + KXFilterGeometry::kDropDownLineStep;
    return std::max(laidOut + kTagLookAhead, KXFilterGeometry::dropDownTagAreaHeight(listed));
}

void KXFilterView::showWeightPage()
{
    makeTopArea();
    clearTagArea();
    titleLabel_->setText(QString::fromUtf8("字重选项"));
    const auto weight = KXFilterCategories::named(
        dataArray_, KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage(), KXFilterCategories::kWeight);
    classStr_ = weight ? weight->name : std::string();
    setTagContentHeight(KXFilterGeometry::dropDownTagAreaHeight(0));
    if (!weight)
        return;
    weightCell_ = new KXFilterFontWeighCell(&selection_, tagsView_);
    weightCell_->setDelegate(adapter_);
    weightCell_->setClassStr(weight->name);
    weightCell_->setDataA(weight->tags);
    weightCell_->setGeometry(0, 0, static_cast<int>(KXFilterGeometry::kDropDownWidth), 40);
    weightCell_->show();
}

void KXFilterView::showAdvancedPage()
{
    auto* page = new KXAdvancedFilterView(this);
    page->setDelegate(adapter_);
    page->setDataArray(dataArray_);
    // The page can go on its own (a click on its bar): keys it took stay with the drop-down, which
    // gives them back to the list under it when it goes.
    kx_giveKeysBackTo(page, this);
    // The bar goes and is made again by the next page.
    for (QWidget* part : {topAreaView_, bgView_, cancelBtn_ ? cancelBtn_->parentWidget() : nullptr})
        if (part) {
            part->hide();
            part->deleteLater();
        }
    topAreaView_ = nullptr;
    bgView_ = nullptr;
    tagScrollView_ = nullptr;
    tagsView_ = nullptr;
    cancelBtn_ = nullptr;
    weightCell_ = nullptr;
    tagGrid_ = nullptr;
    lc_makeConstraints(lcView(page), [this](LCConstraintMaker& make) {
        make.top().equalTo(0);
        pinBesideOpener(make);
        make.width().equalTo(KXFilterGeometry::kDropDownWidth);
        make.bottom().equalTo(-80);
    });
    page->show();
    page->raise();
    advancedView_ = page;
}

void KXFilterView::store()
{
    selection_.storeAlways();
}

void KXFilterView::report()
{
    if (const auto owner = delegate())
        owner->filterViewTagsClick(selection_.tagsDD());
}

void KXFilterView::tagClick(const QString& identifier)
{
    if (classStr_.empty())
        return;
    selection_.toggle(classStr_, identifier.toStdString());
    store();
    report();
}

void KXFilterView::KXFilterFontWeighCellBtnClick(const Ref<foundation::Dictionary>& tag)
{
    selection_.toggle(tag);
    report();
    store();
}

void KXFilterView::allSelectedBtnClick()
{
    if (classStr_.empty())
        return;
    if (seletedType_ == kWeightPage) {
        selection_.setValues(classStr_, std::vector<std::string>(std::begin(kWeightCodes), std::end(kWeightCodes)));
        store();
        selectedFilterType(kWeightPage);
    } else {
        // Every tag of the category, laid out or not: the selection is read from the tags, not
        // from what the page has drawn.
        selection_.setValues(classStr_, pageTags_ ? pageTags_->tagids() : std::vector<std::string>());
        store();
        if (tagGrid_)
            tagGrid_->update();
    }
    report();
}

void KXFilterView::clearSelectedBtnClick()
{
    if (classStr_.empty() || !selection_.removeCategory(classStr_))
        return;
    store();
    selectedFilterType(seletedType_);
    report();
}

void KXFilterView::filterViewTagsClick(const Ref<foundation::Dictionary>& tags)
{
    auto selection = std::dynamic_pointer_cast<foundation::MutableDictionary>(tags);
    if (!selection)
        selection = tags ? foundation::MutableDictionary::dictionaryWithDictionary(*tags) : foundation::MutableDictionary::create();
    selection_.setTagsDD(selection);
    report();
}

void KXFilterView::filterviewCloseClick()
{
    kx_removeFromSuperview(this);
}

void KXFilterView::mousePressEvent(QMouseEvent* event)
{
    // Only a click on the veil gets here: the bar and the tag area keep theirs.
    event->accept();
    if (event->button() == Qt::LeftButton)
        filterviewCloseClick();
}
