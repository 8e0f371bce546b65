#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Object.h"

#include <string>

class ImageView;
class KXStoreBox;
class KXStoreButton;
class KXStoreTextLabel;
class QLabel;
class QScrollArea;

// The offer page over the chooser: the offer's picture, name and scope, its price per term (the
// promotional price during a promotion, with the struck list price), the purchase notes and the
// store's sales note. Buying goes back to the chooser; the see-order button leaves the store for
// the user's orders ("buyCartsGoToOrder" without an object). Main thread only.
class KXFontSaleBuyView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr const char* kGoToOrderNotification = "buyCartsGoToOrder";

    explicit KXFontSaleBuyView(QWidget* parent = nullptr);
    ~KXFontSaleBuyView() override;

    const foundation::Id& dataDic() const { return dataDic_; }
    void setDataDic(const foundation::Id& offer);
    const std::string& fids() const { return fids_; }
    void setFids(const std::string& fids) { fids_ = fids; }
    void setUPData();

    void backBtnClick();
    void buyBtnClick();
    void seeOrderBtnClick();

    QScrollArea* scroview() const { return scroview_; }
    KXStoreBox* iconView() const { return iconView_; }
    KXStoreBox* iconView2() const { return iconView2_; }
    QLabel* titileLabel() const { return titileLabel_; }
    QLabel* contentLabel() const { return contentLabel_; }
    ImageView* centerImgV() const { return centerImgV_; }
    KXStoreTextLabel* priceLabel() const { return priceLabel_; }
    KXStoreTextLabel* oriPriceLabel() const { return oriPriceLabel_; }
    QLabel* adLabel() const { return adLabel_; }
    QLabel* notesLabel() const { return notesLabel_; }
    KXStoreButton* backBtn() const { return backBtn_; }
    KXStoreButton* buyBtn() const { return buyBtn_; }
    KXStoreButton* seeOrderBtn() const { return seeOrderBtn_; }
    QWidget* waitBgView() const { return waitBgView_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setUPUI();

    foundation::Id dataDic_;
    std::string fids_;
    QScrollArea* scroview_ = nullptr;
    QWidget* document_ = nullptr;
    KXStoreBox* iconView_ = nullptr;
    KXStoreBox* iconView2_ = nullptr;
    QLabel* titileLabel_ = nullptr;
    QLabel* contentLabel_ = nullptr;
    ImageView* centerImgV_ = nullptr;
    KXStoreTextLabel* priceLabel_ = nullptr;
    KXStoreTextLabel* oriPriceLabel_ = nullptr;
    QLabel* adLabel_ = nullptr;
    QLabel* notesLabel_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    KXStoreButton* buyBtn_ = nullptr;
    KXStoreButton* seeOrderBtn_ = nullptr;
    QWidget* waitBgView_ = nullptr;
};
