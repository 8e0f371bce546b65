#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>
#include <memory>

class KXBrandLookup;
class KXFontsSaleAlertView;
class KXFontsSaleOrderView;
class KXOfferCategoryTable;
class KXStoreButton;
class KXStoreTableView;
class QLabel;

// The licence chooser over the cart: every authorization category of the service with a check
// box per offer, the offer pop-up while the pointer rests on a box, and on confirmation the
// order page with the chosen offers and the fonts ticked in the cart. Creating it empties the
// shared choice (`selectedAuthArray`), which it edits from then on as `selectedA`.
//
// Replies hold the chooser weakly. Main thread only.
class KXFontsSaleAuthorizeView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXFontsSaleAuthorizeView(QWidget* parent = nullptr);
    ~KXFontsSaleAuthorizeView() override;

    // The fonts ticked in the cart (KXFontBaseModel), handed on to the order page.
    const foundation::Ref<foundation::MutableArray>& buyCartFonts() const { return buyCartFonts_; }
    void setBuyCartFonts(foundation::Ref<foundation::MutableArray> fonts);

    void setUPData();
    void backBtnClick();
    void sureBtnClick();

    // The categories, the ticks and the pop-up (the table's data source and the rows' delegate).
    KXOfferCategoryTable& categories() const { return *categories_; }
    const foundation::Ref<foundation::MutableArray>& dataA() const;
    const foundation::Ref<foundation::MutableArray>& selectedA() const;
    const KXBrandLookup& brandsDic() const;
    KXFontsSaleAlertView* alertView();
    bool isHovering() const;

    KXStoreTableView* listTableview() const { return listTableview_; }
    KXStoreButton* sureBtn() const { return sureBtn_; }
    QWidget* bottomView() const { return bottomView_; }
    QLabel* sellInfoLabel() const { return sellInfoLabel_; }
    // The order page opened from this chooser, while it is open.
    KXFontsSaleOrderView* orderView() const;

private:
    void setUPUI();
    void brandsArrived(const foundation::Id& reply);

    foundation::Ref<foundation::MutableArray> buyCartFonts_;
    KXOfferCategoryTable* categories_ = nullptr;

    KXStoreTableView* listTableview_ = nullptr;
    KXStoreButton* sureBtn_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    QWidget* bottomView_ = nullptr;
    QLabel* sellInfoLabel_ = nullptr;
    QPointer<KXFontsSaleOrderView> orderView_;
};
