#pragma once

#include "Class/Store/Core/KXOrderReadBack.h"
#include "Class/Store/Core/KXOrderSelection.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class KXBaseButton;
class KXCountDown;
class KXFontsSaleCheckOrderView;
class KXFontsSaleDeleteAuthView;
class KXFontsSaleDeleteAuthViewDelegate;
class KXFontsSaleOrderViewCellDelegate;
class KXFontsSaleReselectedView;
class KXFontsSaleReselectedViewDelegate;
class KXPriceRequester;
class KXStoreButton;
class KXStoreTableCellView;
class KXStoreTableView;
class KXStoreTableViewDataSource;
class KXStoreTextLabel;
class LCConstraint;
class QLabel;

// The order page: one row per chosen offer, each offering every cart font as a check box; every
// change of the choice is priced by the service (only the latest question's answer is shown);
// offers are added through the re-pick sheet and removed after a question. The totals show only
// amounts a price reply gave: a choice no reply has priced (the page's opening, a failed price)
// shows dashes, an empty choice the zero texts. Submitting sends the selection text as an order,
// one request at a time, through the account's KXOrderReadBack (KXStoreSession), which receives
// what becomes of it even after the page has gone. An order that failed without a reply may still
// be made by the service, even after the client gave up: the read-back tells it from the number
// of unpaid orders, after the failure and again before the next order is sent from any page; no
// order is sent without a count from before it.
//
// Once an order of this page is made this page sends no other, and neither does a page whose
// fonts were taken before any order was made since (the service has taken the ordered fonts out
// of the cart). The hand-over of an accepted order (after the check dialog when the reply reports
// a problem) opens the payment page in the browser (when no browser can be started, an alert shows
// the address to open by hand), marks an order as awaiting payment ("my_orderClick" "0"), posts
// "buyCartsGoToOrder" with "scac" and counts down 5 s on the wait panel while the main window takes
// the user to the orders. An order found made by a read has no payment address: the page says
// so (kOrderPlacedMessage), marks it as awaiting payment and posts "buyCartsGoToOrder" with "scac"
// all the same, so that the user is taken to the orders.
//
// The opener calls setBuyCartFonts() first, then setDataA() and setBackBlock(). Replies and the
// count-down hold the page weakly. Main thread only.
class KXFontsSaleOrderView : public KXBaseView {
    Q_OBJECT

public:
    using BackBlock = std::function<void(bool userLeft)>;

    static constexpr const char* kGoToOrderNotification = "buyCartsGoToOrder";
    static constexpr const char* kOrderPosterObject = "scac";
    static constexpr const char* kCheckOrderNotification = KXOrderReadBack::kCheckOrderNotification;
    static constexpr const char* kOrderReminderKey = KXOrderReadBack::kOrderReminderKey;
    static constexpr const char* kOrderPlacedMessage = KXOrderReadBack::kOrderPlacedMessage;
    // An order got no answer and has not appeared among the unpaid orders (yet).
    static constexpr const char* kLostOrderMessage = "订单提交没有收到回复，可能已经提交，请在个人中心-我的订单中查看";
    static constexpr const char* kLostOrderQuestion = "上一笔订单没有收到回复，可能已经提交。仍然提交新的订单吗？";
    static constexpr long long kCountDownSeconds = 5;
    static constexpr double kVipBottomHeight = 122;
    // A press while an order of the account is still on its way.
    static constexpr const char* kOrderOnItsWayMessage = "订单正在提交，请稍候";
    // A press of the same fonts and licences as an order this page made (one whose hand-over the
    // person declined after its problem dialog).
    static constexpr const char* kMadeOrderQuestion
        = "这些字体的订单已经提交，请在个人中心-我的订单中完成支付。仍然提交新的订单吗？";

    explicit KXFontsSaleOrderView(QWidget* parent = nullptr);
    ~KXFontsSaleOrderView() override;

    void setBuyCartFonts(foundation::Ref<foundation::MutableArray> fonts);
    const foundation::Ref<foundation::MutableArray>& buyCartFonts() const { return buyCartFonts_; }
    // Every offer with every cart font chosen; the table reloads and the totals are asked for.
    void setDataA(const foundation::Ref<foundation::Array>& offers);
    void setBackBlock(BackBlock block) { backBlock_ = std::move(block); }

    const KXOrderSelection& selection() const { return selection_; }
    const foundation::Ref<foundation::MutableArray>& dataA() const { return selection_.dataA(); }
    std::string getPriceDataInfo() const { return selection_.infoString(); }
    // Rebuilds the selection text and refreshes the totals (the zero texts for an empty choice).
    void upDatePriceByInfoString();
    // The hand-over after an accepted order, with the order reply.
    void buyFontsBussiness(const foundation::Id& reply);
    // The row whose removal awaits confirmation, as last asked.
    long long deleteRow() const { return deleteRow_; }

    // Actions.
    void allSelectedBtnClick();
    void backBtnClick();
    void buyBtnClick();
    void seeOrderBtnClick();

    // Delegate methods of the rows, the sheet and the removal question.
    void KXFontsSaleOrderViewCellFontBtnClick(const foundation::Ref<foundation::Dictionary>& info);
    void KXFontsSaleOrderViewCellAddClassClick(const foundation::Ref<foundation::Dictionary>& info);
    void KXFontsSaleOrderViewCellremoveClassClick(const foundation::Id& record);
    void KXFontsSaleReselectedViewSureBtnClick();
    void KXFontsSaleDeleteAuthViewSureBtnClick(const std::string& brandID);

    // The table's data source.
    int numberOfRowsInTableView(KXStoreTableView* tableView);
    double tableViewHeightOfRow(KXStoreTableView* tableView, int row);
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row);

    KXStoreTableView* listTableview() const { return listTableview_; }
    QWidget* bottomView() const { return bottomView_; }
    const std::shared_ptr<LCConstraint>& bottomViewHeight() const { return bottomViewHeight_; }
    double bottomViewHeightConstant() const { return bottomViewHeightConstant_; }
    QWidget* waitBgView() const { return waitBgView_; }
    KXStoreButton* seeOrderBtn() const { return seeOrderBtn_; }
    KXStoreTextLabel* seeOrderTitle() const { return seeOrderTitle_; }
    KXStoreButton* backBtn() const { return backBtn_; }
    KXStoreButton* buyBtn() const { return buyBtn_; }
    KXBaseButton* allSelectBtn() const { return allSelectBtn_; }
    KXStoreTextLabel* countPriceLabel() const { return countPriceLabel_; }
    QLabel* discountPriceLabel() const { return discountPriceLabel_; }
    QLabel* activityLabel() const { return activityLabel_; }
    QLabel* vipLabel() const { return vipLabel_; }
    QLabel* fontsNumLabel() const { return fontsNumLabel_; }
    // The dialogs and the sheet while they are open.
    KXFontsSaleCheckOrderView* checkOrderView() const;
    KXFontsSaleReselectedView* reselectedView() const;
    // An order request, or a count of unpaid orders before or after it, is on its way.
    bool isSubmitting() const { return submitting_; }
    // An order was made from this page's fonts: this page sends no other.
    bool isOrderPlaced() const { return orderPlaced_; }

private:
    void setUPUI();
    void showZeroTotals();
    void showUnknownTotals();
    void applyTotals(const foundation::Id& data);
    // Toasts and answers true when no offer or no font is chosen.
    bool refuseEmptyChoice();
    void sendOrder();
    // What the account's read-back received for this page.
    friend class KXFontsSaleOrderReceiver;
    void orderMade(const foundation::Id& reply);
    void orderRefused();
    void orderOutcomeUnknown();
    // An order was made since this page's fonts were taken: they may have left the cart.
    bool listIsStale() const;
    // An earlier order got no answer and has not appeared: the person chooses to look at the
    // orders or to submit again.
    void askAboutTheLostOrder();
    // This page made an order of the same fonts: the person chooses to look at the orders or to
    // submit again.
    void askAboutTheMadeOrder();
    // Where a press goes once the account's read-back has answered.
    void pressAnswered(KXOrderReadBack::Outcome outcome);
    // A dialog of the page, centred over it.
    void placeDialog(QWidget* dialog);
    void orderFoundPlaced();
    void submitEnded();
    void updateSubmitState();
    void openPaymentPage(const foundation::Id& address);
    void showEmptyState();

    foundation::Ref<foundation::MutableArray> buyCartFonts_;
    KXOrderSelection selection_;
    BackBlock backBlock_;
    long long deleteRow_ = 0;
    bool submitting_ = false;
    bool orderPlaced_ = false;
    // The selection text of the order this page sent last, and of the order it made that the
    // person did not take to payment ("" none).
    std::string sentOrder_;
    std::string madeOrder_;
    // The account's count of orders made when the fonts were taken.
    unsigned long long listOrdersMade_ = 0;
    // The totals on screen are a price reply's.
    bool totalsAnswered_ = false;
    std::unique_ptr<KXPriceRequester> priceRequester_;
    std::unique_ptr<KXCountDown> countDown_;
    std::shared_ptr<KXStoreTableViewDataSource> tableSource_;
    std::shared_ptr<KXFontsSaleOrderViewCellDelegate> cellDelegate_;
    std::shared_ptr<KXFontsSaleReselectedViewDelegate> sheetDelegate_;
    std::shared_ptr<KXFontsSaleDeleteAuthViewDelegate> deleteDelegate_;
    std::shared_ptr<KXOrderReadBack::Page> orderReceiver_;

    KXStoreTableView* listTableview_ = nullptr;
    QWidget* bottomView_ = nullptr;
    std::shared_ptr<LCConstraint> bottomViewHeight_;
    double bottomViewHeightConstant_ = 0;
    QWidget* waitBgView_ = nullptr;
    KXStoreButton* seeOrderBtn_ = nullptr;
    KXStoreTextLabel* seeOrderTitle_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    KXStoreButton* buyBtn_ = nullptr;
    KXBaseButton* allSelectBtn_ = nullptr;
    KXStoreTextLabel* countPriceLabel_ = nullptr;
    QLabel* discountPriceLabel_ = nullptr;
    QLabel* activityLabel_ = nullptr;
    QLabel* vipLabel_ = nullptr;
    QLabel* fontsNumLabel_ = nullptr;
    QPointer<KXFontsSaleCheckOrderView> checkOrderView_;
    QPointer<KXFontsSaleReselectedView> reselectedView_;
};
