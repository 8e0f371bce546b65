#include "Class/Store/KXOfferCategoryTable.h"

#include "Class/Store/Core/KXBrandLookup.h"
#include "Class/Store/Core/KXOrderSelection.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/KXFontSaleAuthorizeCell.h"
#include "Class/Store/KXOfferPopUpHover.h"
#include "Class/Store/KXStoreTableView.h"

using foundation::Id;

KXOfferCategoryTable::KXOfferCategoryTable(QWidget* owner, KXStoreTableView* table)
    : QObject(owner)
    , table_(table)
    , dataA_(foundation::MutableArray::create())
    , selectedA_(foundation::MutableArray::create())
    , brandsDic_(std::make_unique<KXBrandLookup>())
    , hover_(std::make_unique<KXOfferPopUpHover>(owner, table, *brandsDic_))
    , tableSource_(std::make_shared<KXStoreTableViewForwarder<KXOfferCategoryTable>>(this))
    , cellDelegate_(std::make_shared<KXFontSaleAuthorizeCellForwarder<KXOfferCategoryTable>>(this))
{
    table->setDataSource(tableSource_);
}

KXOfferCategoryTable::~KXOfferCategoryTable() = default;

bool KXOfferCategoryTable::showBrandList(const Id& reply)
{
    if (!KXStoreService::listSucceeded(reply))
        return false;
    const auto categories = reply["corvane_data"]["auth_data"].array();
    if (!categories || categories->count() == 0)
        return false;
    dataA_ = foundation::MutableArray::create(categories->objects());
    if (table_)
        table_->reloadData();
    brandsDic_->getBlindBrandData(Id(dataA_));
    return true;
}

void KXOfferCategoryTable::setSelectedA(foundation::Ref<foundation::MutableArray> offers)
{
    selectedA_ = offers ? std::move(offers) : foundation::MutableArray::create();
    if (table_)
        table_->reloadData();
}

KXFontsSaleAlertView* KXOfferCategoryTable::alertView()
{
    return hover_->alertView();
}

bool KXOfferCategoryTable::isHovering() const
{
    return hover_->isHovering();
}

int KXOfferCategoryTable::numberOfRowsInTableView(KXStoreTableView* /*tableView*/)
{
    return static_cast<int>(dataA_->count());
}

double KXOfferCategoryTable::tableViewHeightOfRow(KXStoreTableView* tableView, int row)
{
    // The table's own width, which a scroll bar shown or hidden does not change.
    return KXStoreGeometry::chooserRowHeight(
        dataA_->objectAtIndex(static_cast<std::size_t>(row))["brand_data"].count(), tableView->width());
}

KXStoreTableCellView* KXOfferCategoryTable::tableViewViewForRow(KXStoreTableView* tableView, int row)
{
    auto* cell = static_cast<KXFontSaleAuthorizeCell*>(
        tableView->makeViewWithIdentifier(QString::fromLatin1(KXFontSaleAuthorizeCell::kIdentifier)));
    if (!cell)
        cell = new KXFontSaleAuthorizeCell(tableView->viewport());
    cell->setDelegate(cellDelegate_);
    cell->setSelectedOffers(selectedA_);
    cell->setLayoutWidth(tableView->width());
    cell->setDataDic(dataA_->objectAtIndex(static_cast<std::size_t>(row)));
    return cell;
}

void KXOfferCategoryTable::KXFontSaleAuthorizeCellButtonClick(const Id& offer)
{
    // By "brand_id", as the boxes show their ticks: the brand list may have been fetched again since
    // the chosen record was, and an offer whose other fields changed is still the same offer.
    const std::string brandid = KXOrderSelection::brandID(offer);
    for (std::size_t i = 0; i < selectedA_->count(); ++i) {
        if (KXOrderSelection::brandID(selectedA_->objectAtIndex(i)) == brandid) {
            selectedA_->removeObjectAtIndex(i);
            return;
        }
    }
    selectedA_->addObject(offer);
}

void KXOfferCategoryTable::KXFontSaleAuthorizeCellButtonMouseEntered(KXBaseButton* box)
{
    hover_->mouseEntered(box);
}

void KXOfferCategoryTable::KXFontSaleAuthorizeCellButtonMouseExited(KXBaseButton* box)
{
    hover_->mouseExited(box);
}
