#pragma once

#include "Class/UIKit/KXBaseView.h"

#include <QPointer>
#include <memory>

class KXStoreBox;
class KXStoreButton;
class QLabel;

// What the cart's removal question tells the cart; the method defaults to doing nothing.
class KXDeleteBuyCartsViewDelegate {
public:
    virtual ~KXDeleteBuyCartsViewDelegate() = default;
    virtual void KXDeleteBuyCartsViewSureBtnClick() { }
};

template <class Owner> class KXDeleteBuyCartsViewForwarder final : public KXDeleteBuyCartsViewDelegate {
public:
    explicit KXDeleteBuyCartsViewForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXDeleteBuyCartsViewSureBtnClick() override
    {
        if (owner_)
            owner_->KXDeleteBuyCartsViewSureBtnClick();
    }

private:
    QPointer<Owner> owner_;
};

// The cart's removal question over a dimmed view: "确定将这%@款字体删除" with cancel and confirm.
// Confirming tells the delegate and closes; without a delegate the question stays. Main thread
// only.
class KXDeleteBuyCartsView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXDeleteBuyCartsView(QWidget* parent = nullptr);

    void setDelegate(const std::shared_ptr<KXDeleteBuyCartsViewDelegate>& delegate) { delegate_ = delegate; }
    // The number of fonts in the question; the text itself is not kept.
    void setNumStr(const QString& number);

    KXStoreBox* centerBgView() const { return centerBgView_; }
    QLabel* contentLabel() const { return contentLabel_; }
    KXStoreButton* cancelBtn() const { return cancelBtn_; }
    KXStoreButton* sureBtn() const { return sureBtn_; }

    void sureBtnClick();
    void cancelBtnClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    std::weak_ptr<KXDeleteBuyCartsViewDelegate> delegate_;
    KXStoreBox* centerBgView_ = nullptr;
    QLabel* contentLabel_ = nullptr;
    KXStoreButton* cancelBtn_ = nullptr;
    KXStoreButton* sureBtn_ = nullptr;
};
