#pragma once

#include "Platform/Foundation/Array.h"

#include <QObject>
#include <QPointer>
#include <memory>

class KXBaseButton;
class KXBrandLookup;
class KXFontSaleAuthorizeCellDelegate;
class KXFontsSaleAlertView;
class KXOfferPopUpHover;
class KXStoreTableCellView;
class KXStoreTableView;
class KXStoreTableViewDataSource;

// The category table that the licence chooser and the re-pick sheet share: the categories of a
// brand list as rows of offer boxes (KXFontSaleAuthorizeCell), the lookup table of every offer by
// its "brand_id", the offer pop-up on hover, and the ticks, kept in the owner's list of chosen
// offers (`selectedA`): a click removes the offer with the same "brand_id" from it or appends the
// offer, and rows built again show that list. It is the table's data source and the rows' delegate; a child
// of its owner. Main thread only.
class KXOfferCategoryTable : public QObject {
    Q_OBJECT

public:
    KXOfferCategoryTable(QWidget* owner, KXStoreTableView* table);
    ~KXOfferCategoryTable() override;

    // Shows a brand list reply when it succeeded ("errorcode" 0 or missing) and holds categories;
    // says whether it did.
    bool showBrandList(const foundation::Id& reply);

    const foundation::Ref<foundation::MutableArray>& dataA() const { return dataA_; }
    const foundation::Ref<foundation::MutableArray>& selectedA() const { return selectedA_; }
    // The chosen offers the rows show and the clicks edit; the table is reloaded.
    void setSelectedA(foundation::Ref<foundation::MutableArray> offers);
    const KXBrandLookup& brandsDic() const { return *brandsDic_; }
    KXFontsSaleAlertView* alertView();
    bool isHovering() const;

    int numberOfRowsInTableView(KXStoreTableView* tableView);
    double tableViewHeightOfRow(KXStoreTableView* tableView, int row);
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row);
    void KXFontSaleAuthorizeCellButtonClick(const foundation::Id& offer);
    void KXFontSaleAuthorizeCellButtonMouseEntered(KXBaseButton* box);
    void KXFontSaleAuthorizeCellButtonMouseExited(KXBaseButton* box);

private:
    QPointer<KXStoreTableView> table_;
    foundation::Ref<foundation::MutableArray> dataA_;
    foundation::Ref<foundation::MutableArray> selectedA_;
    std::unique_ptr<KXBrandLookup> brandsDic_;
    std::unique_ptr<KXOfferPopUpHover> hover_;
    std::shared_ptr<KXStoreTableViewDataSource> tableSource_;
    std::shared_ptr<KXFontSaleAuthorizeCellDelegate> cellDelegate_;
};
