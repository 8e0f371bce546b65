#include "Class/Store/KXFontsSaleCheckOrderView.h"

#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreDialogParts.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"

#include <QLabel>

using storedialog::messageIn;
using storedialog::paintDialog;
using storedialog::placePair;

namespace {

const QColor kCheckFace(251, 251, 251);
const QColor kCheckBorder(245, 245, 245);

} // namespace

KXFontsSaleCheckOrderView::KXFontsSaleCheckOrderView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

void KXFontsSaleCheckOrderView::setUPUI()
{
    KXStoreBox::applyShadow(this, QColor(0, 0, 0, 85), { 0, 2 }, 5);
    messageLabel_ = messageIn(this, QStringLiteral("订单中有不在购物车里的字体，确定继续支付吗？"));
    reThinkBtn_ = storestyle::titledButton(QStringLiteral("再想想"), storestyle::kCancelTitle, 14, this);
    reThinkBtn_->setAction([this](KXBaseButton*) { ReThinkBtnClick(); });
    kx_setOverlayKeys(this, reThinkBtn_);
    continueBtn_ = storestyle::titledButton(QStringLiteral("继续支付"), storestyle::kConfirmTitle, 14, this);
    continueBtn_->setAction([this](KXBaseButton*) { continueBtnClick(); });
    for (KXStoreButton* button : { reThinkBtn_, continueBtn_ }) {
        button->setLayerBackground(kCheckFace);
        button->setBorder(kCheckBorder, 1);
        button->setCornerRadius(3);
    }
    placePair(reThinkBtn_, continueBtn_);
}

void KXFontsSaleCheckOrderView::setTexts(const QString& message, const QString& back, const QString& goOn)
{
    messageLabel_->setText(message);
    reThinkBtn_->setTitle(back);
    continueBtn_->setTitle(goOn);
}

void KXFontsSaleCheckOrderView::paintEvent(QPaintEvent* /*event*/)
{
    paintDialog(*this);
}

void KXFontsSaleCheckOrderView::finish(bool goOn)
{
    // The dialog answers once: a second click on its way out changes nothing.
    Block block = std::move(block_);
    block_ = nullptr;
    if (block)
        block(goOn);
    kx_removeFromSuperview(this);
}

void KXFontsSaleCheckOrderView::ReThinkBtnClick()
{
    finish(false);
}

void KXFontsSaleCheckOrderView::continueBtnClick()
{
    finish(true);
}
