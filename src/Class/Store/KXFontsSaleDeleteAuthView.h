#pragma once

#include "Class/UIKit/KXBaseView.h"

#include <QPointer>
#include <memory>
#include <string>

class KXStoreButton;
class QLabel;

// What the order page's removal question tells the page; the method defaults to doing nothing.
class KXFontsSaleDeleteAuthViewDelegate {
public:
    virtual ~KXFontsSaleDeleteAuthViewDelegate() = default;
    // The offer whose "-" opened the question.
    virtual void KXFontsSaleDeleteAuthViewSureBtnClick(const std::string& brandID) { (void)brandID; }
};

template <class Owner>
class KXFontsSaleDeleteAuthViewForwarder final : public KXFontsSaleDeleteAuthViewDelegate {
public:
    explicit KXFontsSaleDeleteAuthViewForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXFontsSaleDeleteAuthViewSureBtnClick(const std::string& brandID) override
    {
        if (owner_)
            owner_->KXFontsSaleDeleteAuthViewSureBtnClick(brandID);
    }

private:
    QPointer<Owner> owner_;
};

// The order page's question before an offer leaves the order: a white box (240 x 160, placed by
// the page) with a message, cancel and confirm. It carries the offer's "brand_id", so confirming
// removes that offer wherever its row is by then. Without a delegate confirming does nothing.
// Main thread only.
class KXFontsSaleDeleteAuthView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXFontsSaleDeleteAuthView(QWidget* parent = nullptr);

    void setDelegate(const std::shared_ptr<KXFontsSaleDeleteAuthViewDelegate>& delegate)
    {
        delegate_ = delegate;
    }
    const std::string& brandID() const { return brandID_; }
    void setBrandID(const std::string& brandID) { brandID_ = brandID; }

    KXStoreButton* cancelBtn() const { return cancelBtn_; }
    KXStoreButton* sureBtn() const { return sureBtn_; }
    QLabel* messageLabel() const { return messageLabel_; }

    void cancelBtnClick();
    void sureBtnClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    std::weak_ptr<KXFontsSaleDeleteAuthViewDelegate> delegate_;
    std::string brandID_;
    QLabel* messageLabel_ = nullptr;
    KXStoreButton* cancelBtn_ = nullptr;
    KXStoreButton* sureBtn_ = nullptr;
};
