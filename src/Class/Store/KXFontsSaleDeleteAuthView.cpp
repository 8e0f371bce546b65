#include "Class/Store/KXFontsSaleDeleteAuthView.h"

#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreDialogParts.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"

using storedialog::messageIn;
using storedialog::paintDialog;
using storedialog::placePair;

KXFontsSaleDeleteAuthView::KXFontsSaleDeleteAuthView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

void KXFontsSaleDeleteAuthView::setUPUI()
{
    KXStoreBox::applyShadow(this, QColor(0, 0, 0, 85), { 0, 2 }, 5);
    messageLabel_ = messageIn(this, QStringLiteral("确定从订单中删除该授权吗？"));
    cancelBtn_ = storestyle::titledButton(QStringLiteral("取消"), storestyle::kCancelTitle, 14, this);
    cancelBtn_->setAction([this](KXBaseButton*) { cancelBtnClick(); });
    kx_setOverlayKeys(this, cancelBtn_);
    sureBtn_ = storestyle::titledButton(QStringLiteral("删除"), storestyle::kConfirmTitle, 14, this);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnClick(); });
    placePair(cancelBtn_, sureBtn_);
}

void KXFontsSaleDeleteAuthView::paintEvent(QPaintEvent* /*event*/)
{
    paintDialog(*this);
}

void KXFontsSaleDeleteAuthView::cancelBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXFontsSaleDeleteAuthView::sureBtnClick()
{
    auto delegate = delegate_.lock();
    if (!delegate)
        return;
    delegate->KXFontsSaleDeleteAuthViewSureBtnClick(brandID_);
    kx_removeFromSuperview(this);
}
