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
// Its fonts follow the cart: every cart the cart page receives takes out of them the fonts the
// cart no longer holds (an order made takes its fonts out of the cart, and the account's order
// read-back reads the cart again), and with none left the chooser leaves for the cart page once no
// order page stands over it. A list taken before an order was made and not refreshed by a cart
// since (the cart could not be read) opens no order page: the cart is read again instead.
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
    // The cart's font ids ("fids" of a cart reply) as the service holds them now.
    void followCart(const foundation::Id& fids);

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
    // The account's count of orders made when the fonts were last taken from a cart.
    unsigned long long listOrdersMade_ = 0;
    KXOfferCategoryTable* categories_ = nullptr;

    KXStoreTableView* listTableview_ = nullptr;
    KXStoreButton* sureBtn_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    QWidget* bottomView_ = nullptr;
    QLabel* sellInfoLabel_ = nullptr;
    QPointer<KXFontsSaleOrderView> orderView_;
};
