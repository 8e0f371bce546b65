#include "Class/Store/KXDeleteBuyCartsView.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Object.h"

#include <QLabel>
#include <QPainter>

using layoutwidgets::lcView;

KXDeleteBuyCartsView::KXDeleteBuyCartsView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

void KXDeleteBuyCartsView::setUPUI()
{
    centerBgView_ = new KXStoreBox(this, Qt::white, 4);
    KXStoreBox::applyShadow(centerBgView_, QColor(0, 0, 0, 85), { 0, 2 }, 5);
    contentLabel_ = storestyle::plainLabel({}, 14, storestyle::kBoxTitle, centerBgView_);
    contentLabel_->setAlignment(Qt::AlignCenter);
    contentLabel_->setWordWrap(true);
    cancelBtn_
        = storestyle::titledButton(QStringLiteral("取消"), storestyle::kCancelTitle, 14, centerBgView_);
    cancelBtn_->setAction([this](KXBaseButton*) { cancelBtnClick(); });
    kx_setOverlayKeys(this, cancelBtn_);
    sureBtn_ = storestyle::titledButton(QStringLiteral("确定"), storestyle::kConfirmTitle, 14, centerBgView_);
    sureBtn_->setAction([this](KXBaseButton*) { sureBtnClick(); });
    auto* line = new KXStoreBox(centerBgView_, storestyle::kSeparator);
    auto* divider = new KXStoreBox(centerBgView_, storestyle::kSeparator);

    lc_makeConstraints(lcView(centerBgView_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(260);
        make.height().equalTo(150);
    });
    lc_makeConstraints(lcView(contentLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(0);
        make.bottom().equalTo(0).offset(-45);
    });
    lc_makeConstraints(lcView(line), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.bottom().equalTo(0).offset(-45);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(cancelBtn_), [](LCConstraintMaker& make) {
        make.left().bottom().equalTo(0);
        make.height().equalTo(44);
        make.width().equalTo(130);
    });
    lc_makeConstraints(lcView(sureBtn_), [](LCConstraintMaker& make) {
        make.right().bottom().equalTo(0);
        make.height().equalTo(44);
        make.width().equalTo(130);
    });
    lc_makeConstraints(lcView(divider), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(0);
        make.height().equalTo(44);
        make.width().equalTo(1);
    });
}

void KXDeleteBuyCartsView::setNumStr(const QString& number)
{
    contentLabel_->setText(storestyle::qstring(
        foundation::format("确定将这%@款字体删除", foundation::Id(number.toStdString()))));
}

void KXDeleteBuyCartsView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), storestyle::kOverlay);
    KXBaseView::paintEvent(event);
}

void KXDeleteBuyCartsView::sureBtnClick()
{
    auto delegate = delegate_.lock();
    if (!delegate)
        return;
    delegate->KXDeleteBuyCartsViewSureBtnClick();
    kx_removeFromSuperview(this);
}

void KXDeleteBuyCartsView::cancelBtnClick()
{
    kx_removeFromSuperview(this);
}
