#pragma once

#include "Class/Store/Core/KXCartSelection.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>
#include <functional>
#include <memory>

class KXBaseButton;
class KXDeleteBuyCartsViewDelegate;
class KXFontSaleListCellDelegate;
class KXFontsSaleAuthorizeView;
class KXStoreButton;
class KXStoreTableCellView;
class KXStoreTableView;
class KXStoreTableViewDataSource;
class LCConstraint;
class QLabel;

// The cart: the fonts of the user's cart on the service (names and previews from the local
// catalogue), ticked all at opening; remove the ticked ones after a question (manage mode) or go
// on with them to the licence chooser. It is opened by the main window's cart button with
// init (the default constructor) and a back block: YES when the user goes back, NO when the cart
// turns out to be empty.
//
// Each opening asks the service for the cart; the rows show the panel's ticks, whichever row
// view draws them. Replies hold the panel weakly. Main thread only.
class KXFontsSaleList : public KXBaseView {
    Q_OBJECT

public:
    using BackBlock = std::function<void(bool userLeft)>;

    explicit KXFontsSaleList(QWidget* parent = nullptr);
    ~KXFontsSaleList() override;

    void setBackBlock(BackBlock block) { backBlock_ = std::move(block); }
    // Gets every cart this page receives (its own read and every cart read back), so that the
    // cart's badge follows what the page lists.
    using CartBlock = std::function<void(const foundation::Id& reply)>;
    void setCartBlock(CartBlock block) { cartBlock_ = std::move(block); }

    // Asks the service for the cart (again after a removal).
    void setUPData();

    // Actions.
    void backBtnClick();
    void buyBtnClick();
    void manaBtnClick();
    void allSeleBtn();

    // The rows' and the removal question's delegate methods.
    void KXFontSaleListCellClick(const foundation::Ref<foundation::Dictionary>& info);
    void KXDeleteBuyCartsViewSureBtnClick();

    // The table's data source.
    int numberOfRowsInTableView(KXStoreTableView* tableView);
    double tableViewHeightOfRow(KXStoreTableView* tableView, int row);
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row);

    // The cart's fonts (KXFontBaseModel) in the service's order, and the ticks.
    const foundation::Ref<foundation::MutableArray>& dataA() const { return dataA_; }
    const KXCartSelection& selection() const { return selection_; }
    const std::vector<int>& selectedArray() const { return selection_.selectedArray(); }

    QWidget* scrollerView() const { return scrollerView_; }
    KXStoreTableView* listTableview() const { return listTableview_; }
    QWidget* bottomView() const { return bottomView_; }
    QLabel* fontsNumLabel() const { return fontsNumLabel_; }
    KXBaseButton* allSelectedbtn() const { return allSelectedbtn_; }
    KXStoreButton* buyBtn() const { return buyBtn_; }
    KXStoreButton* manaBtn() const { return manaBtn_; }
    KXStoreButton* backBtn() const { return backBtn_; }
    QLabel* vipLabel() const { return vipLabel_; }
    QWidget* vipline() const { return vipline_; }
    QWidget* emptyView() const { return emptyView_; }
    const std::shared_ptr<LCConstraint>& bottomHeight() const { return bottomHeight_; }
    double bottomHeightConstant() const { return bottomHeightConstant_; }
    // The chooser opened from this cart, while it is open.
    KXFontsSaleAuthorizeView* authorizeView() const;

private:
    void setUPUI();
    // A cart read: the page's own (its opening, after its own removal) ticks every row; a read
    // from elsewhere (a read back, a settling read) keeps the person's ticks and scroll.
    void cartArrived(const foundation::Id& reply, bool ownLoad = true);
    // The page's own load is on its way (its read may come as a read back's notice).
    bool ownLoadPending_ = false;
    // The cart read back after a cart write whose reply was lost, this page's or another's.
    dispatch::Subscription cartReadBack_;
    void showCount();
    void showManageMode();
    void setBottomHeight(double height);

    BackBlock backBlock_;
    CartBlock cartBlock_;
    foundation::Ref<foundation::MutableArray> dataA_;
    KXCartSelection selection_;
    std::shared_ptr<KXStoreTableViewDataSource> tableSource_;
    std::shared_ptr<KXFontSaleListCellDelegate> cellDelegate_;
    std::shared_ptr<KXDeleteBuyCartsViewDelegate> deleteDelegate_;

    QWidget* topView_ = nullptr;
    QWidget* scrollerView_ = nullptr;
    KXStoreTableView* listTableview_ = nullptr;
    QWidget* bottomView_ = nullptr;
    QLabel* fontsNumLabel_ = nullptr;
    KXBaseButton* allSelectedbtn_ = nullptr;
    KXStoreButton* buyBtn_ = nullptr;
    KXStoreButton* manaBtn_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    QLabel* vipLabel_ = nullptr;
    QWidget* vipline_ = nullptr;
    QWidget* emptyView_ = nullptr;
    std::shared_ptr<LCConstraint> bottomHeight_;
    double bottomHeightConstant_ = 0;
    QPointer<KXFontsSaleAuthorizeView> authorizeView_;
};
