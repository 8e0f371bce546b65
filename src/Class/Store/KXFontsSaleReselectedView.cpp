#include "Class/Store/KXFontsSaleReselectedView.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/KXOfferCategoryTable.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QLabel>
#include <QPropertyAnimation>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

// The band above the sheet's title through which the dimmed order page shows.
constexpr double kTopBand = 60;

} // namespace

KXFontsSaleReselectedView::KXFontsSaleReselectedView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
    setUPData();
}

KXFontsSaleReselectedView::~KXFontsSaleReselectedView() = default;

void KXFontsSaleReselectedView::setUPUI()
{
    // Above its title the sheet has no colour of its own: the cover under it dims the page.
    content_ = new QWidget(this);
    // From the title down the sheet is white under its boxes. The bottom bar is drawn through its
    // shadow effect, which on a fractional scale (1.25, 1.75) can leave the device row at its top
    // edge unpainted; the page under the sheet must not show through there.
    auto* body = new KXStoreBox(content_, Qt::white);
    topBgView_ = new KXStoreBox(content_, Qt::white);
    backBtn_ = storestyle::titledButton(QStringLiteral("〈 返回"), storestyle::kBoxTitle, 14, topBgView_);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    auto* title
        = storestyle::plainLabel(QStringLiteral("重新选择授权"), 16, storestyle::kCategoryTitle, topBgView_);
    scrolview_ = new KXStoreBox(content_, Qt::white);
    listTableview_ = new KXStoreTableView(scrolview_);
    listTableview_->setBackgroundColor(Qt::white);
    categories_ = new KXOfferCategoryTable(this, listTableview_);
    bottomview_ = new KXStoreBox(content_, Qt::white);
    sureBtn_ = storestyle::redButton(QStringLiteral("确定"), 4, bottomview_);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnclick(); });

    const auto top = lc_makeConstraints(lcView(topBgView_), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(kTopBand);
        make.height().equalTo(50);
    });
    top1_ = top.front();
    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.centerY().equalTo(0);
        make.width().equalTo(64);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    lc_makeConstraints(lcView(bottomview_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(60);
    });
    QWidget* header = topBgView_;
    QWidget* bottom = bottomview_;
    lc_makeConstraints(lcView(scrolview_), [header, bottom](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(header)));
        make.bottom().equalTo(lc_top(lcView(bottom)));
    });
    lc_makeConstraints(lcView(body), [header](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.top().equalTo(lc_top(lcView(header)));
    });
    // Full width: the rows fit as many boxes a line as the width holds, three in the store's 310.
    lc_makeConstraints(lcView(listTableview_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(sureBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-20);
        make.centerY().equalTo(0);
        make.width().equalTo(110);
        make.height().equalTo(36);
    });
}

void KXFontsSaleReselectedView::setSelectedA(foundation::Ref<foundation::MutableArray> offers)
{
    categories_->setSelectedA(std::move(offers));
}

const foundation::Ref<foundation::MutableArray>& KXFontsSaleReselectedView::selectedA() const
{
    return categories_->selectedA();
}

const foundation::Ref<foundation::MutableArray>& KXFontsSaleReselectedView::dataA() const
{
    return categories_->dataA();
}

const KXBrandLookup& KXFontsSaleReselectedView::brandsDic() const
{
    return categories_->brandsDic();
}

void KXFontsSaleReselectedView::setUPData()
{
    KXStoreService::shared()->getAllBrandSuceess(
        // The sheet does not keep the sales note.
        dispatch::guardedQt(this,
            [](KXFontsSaleReselectedView& self, const Id& reply) { self.categories_->showBrandList(reply); }),
        [](const foundation::Ref<foundation::Error>&) {});
}

void KXFontsSaleReselectedView::showEvent(QShowEvent* event)
{
    KXBaseView::showEvent(event);
    if (shown_ || !parentWidget())
        return;
    shown_ = true;
    // The cover lies directly under the sheet, over the whole page.
    auto* cover = new KXStoreBox(parentWidget(), storestyle::kOverlay);
    coverview_ = cover;
    lc_makeConstraints(lcView(cover), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    cover->setGeometry(geometry());
    cover->show();
    cover->stackUnder(this);

    KXStoreBox::applyShadow(bottomview_, QColor(211, 211, 211), { -0.01, 0 }, 1);
    listTableview_->setIntercellSpacing({ 0, 3 });

    auto* slide = new QPropertyAnimation(this, "slideOffset", this);
    slide->setDuration(kSlideMilliseconds);
    slide->setStartValue(KXStoreGeometry::sheetStartOffset(height()));
    slide->setEndValue(0.0);
    slide_ = slide;
    setSlideOffset(KXStoreGeometry::sheetStartOffset(height()));
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void KXFontsSaleReselectedView::setSlideOffset(double offset)
{
    slideOffset_ = offset;
    content_->setGeometry(0, static_cast<int>(offset), width(), height());
}

void KXFontsSaleReselectedView::finishSlide()
{
    if (slide_)
        slide_->setCurrentTime(slide_->totalDuration());
}

bool KXFontsSaleReselectedView::isSliding() const
{
    return slide_ && slide_->state() == QAbstractAnimation::Running;
}

void KXFontsSaleReselectedView::resizeEvent(QResizeEvent* event)
{
    KXBaseView::resizeEvent(event);
    setSlideOffset(slideOffset_);
}

KXFontsSaleAlertView* KXFontsSaleReselectedView::alertView()
{
    return categories_->alertView();
}

bool KXFontsSaleReselectedView::isHovering() const
{
    return categories_->isHovering();
}

void KXFontsSaleReselectedView::close()
{
    if (coverview_)
        kx_removeFromSuperview(coverview_);
    kx_removeFromSuperview(this);
}

void KXFontsSaleReselectedView::sureBtnclick()
{
    close();
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(categories_->selectedA());
    if (auto delegate = delegate_.lock())
        delegate->KXFontsSaleReselectedViewSureBtnClick();
}

void KXFontsSaleReselectedView::backBtnClick()
{
    close();
}
