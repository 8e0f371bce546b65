#include "Class/Store/KXFontsSaleAuthorSecView.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/KXFontSaleBuyView.h"
#include "Class/Store/KXFontsSaleAuthorizeSecCell.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

using foundation::Id;
using layoutwidgets::lcView;

KXFontsSaleAuthorSecView::KXFontsSaleAuthorSecView(QWidget* parent)
    : KXBaseView(parent)
    , dataA_(foundation::MutableArray::create())
    , tableSource_(std::make_shared<KXStoreTableViewForwarder<KXFontsSaleAuthorSecView>>(this))
{
    setUPUI();
}

KXFontsSaleAuthorSecView::~KXFontsSaleAuthorSecView() = default;

void KXFontsSaleAuthorSecView::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    backBtn_ = storestyle::titledButton(QStringLiteral("〈 返回"), storestyle::kBoxTitle, 14, this);
    backBtn_->setAction([this](KXBaseButton*) { backBtnClick(); });
    auto* line = new KXStoreBox(this, storestyle::kSeparator);
    listTableview_ = new KXStoreTableView(this);
    listTableview_->setIntercellSpacing({ 0, 2 });
    listTableview_->setBackgroundColor(Qt::white);
    listTableview_->setDataSource(tableSource_);
    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.top().equalTo(10);
        make.width().equalTo(64);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(line), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(50);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(listTableview_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.top().equalTo(51);
    });
}

void KXFontsSaleAuthorSecView::setAuthid(const std::string& authid)
{
    authid_ = authid;
    setUPData();
}

void KXFontsSaleAuthorSecView::setUPData()
{
    KXStoreService::shared()->getSeconAuthDataWithAuthid(authid_,
        dispatch::guardedQt(this,
            [](KXFontsSaleAuthorSecView& self, const Id& reply) {
                if (!KXStoreService::listSucceeded(reply))
                    return;
                const auto offers = reply["corvane_data"]["brand_data"].array();
                if (!offers || offers->count() == 0)
                    return;
                self.dataA_ = foundation::MutableArray::create(offers->objects());
                self.listTableview_->reloadData();
            }),
        [](const foundation::Ref<foundation::Error>&) {});
}

int KXFontsSaleAuthorSecView::numberOfRowsInTableView(KXStoreTableView* /*tableView*/)
{
    return static_cast<int>(dataA_->count());
}

double KXFontsSaleAuthorSecView::tableViewHeightOfRow(KXStoreTableView* /*tableView*/, int /*row*/)
{
    return KXStoreGeometry::kOfferRowHeight;
}

KXStoreTableCellView* KXFontsSaleAuthorSecView::tableViewViewForRow(KXStoreTableView* tableView, int row)
{
    auto* cell = static_cast<KXFontsSaleAuthorizeSecCell*>(
        tableView->makeViewWithIdentifier(QString::fromLatin1(KXFontsSaleAuthorizeSecCell::kIdentifier)));
    if (!cell)
        cell = new KXFontsSaleAuthorizeSecCell(tableView->viewport());
    cell->setDataDic(dataA_->objectAtIndex(static_cast<std::size_t>(row)));
    return cell;
}

void KXFontsSaleAuthorSecView::tableViewClicked(KXStoreTableView* /*tableView*/)
{
    tableViewCellClick();
}

KXFontSaleBuyView* KXFontsSaleAuthorSecView::tableViewCellClick()
{
    const int row = listTableview_->clickedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= dataA_->count())
        return nullptr;
    auto* page = new KXFontSaleBuyView(this);
    page->setFids(fids_);
    page->setDataDic(dataA_->objectAtIndex(static_cast<std::size_t>(row)));
    lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    page->show();
    page->raise();
    return page;
}

void KXFontsSaleAuthorSecView::backBtnClick()
{
    kx_removeFromSuperview(this);
}
