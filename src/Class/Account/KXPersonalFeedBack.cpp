#include "Class/Account/KXPersonalFeedBack.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXQQGroupCode.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using layoutwidgets::lcView;

KXPersonalFeedBack::KXPersonalFeedBack(QWidget* parent)
    : KXVeilView(parent)
{
    setUPUI();
}

QWidget* KXPersonalFeedBack::headerBg() const
{
    return headerBg_;
}

QWidget* KXPersonalFeedBack::centerBg() const
{
    return centerBg_;
}

void KXPersonalFeedBack::setUPUI()
{
    centerBg_ = new KXFilledView(this, Qt::white, 4, kxaccount::kCardBorder);
    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(360);
        make.height().equalTo(320);
    });
    headerBg_ = new KXFilledView(centerBg_, QColor(252, 252, 252));
    lc_makeConstraints(lcView(headerBg_), [](LCConstraintMaker& make) {
        make.left().top().equalTo(1);
        make.right().equalTo(-1);
        make.height().equalTo(44);
    });
    auto* title = kxaccount::makeLabel(headerBg_, QStringLiteral("意见反馈"), 15, kxaccount::kText, true);
    backButton_ = kxaccount::makeLinkButton(headerBg_, QStringLiteral("‹ 返回"), kxaccount::kAccent, [this](KXBaseButton*) { backClick(); }, 13);
    QQERCodeImgView_ = new ImageView(centerBg_);
    auto* hint = kxaccount::makeLabel(centerBg_, QStringLiteral("扫码加入 QQ 用户群，告诉我们你的意见和建议"), 12, kxaccount::kMutedText);

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    lc_makeConstraints(lcView(backButton_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.centerY().equalTo(0);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(QQERCodeImgView_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(76);
        make.width().height().equalTo(160);
    });
    lc_makeConstraints(lcView(hint), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-28);
    });
    kx_loadQQGroupCode(QQERCodeImgView_);
}

void KXPersonalFeedBack::backClick()
{
    kx_removeFromSuperview(this);
}
