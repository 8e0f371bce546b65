#include "Class/Account/KXDiversionGroupView.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXQQGroupCode.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>

using layoutwidgets::lcView;

KXDiversionGroupView::KXDiversionGroupView(QWidget* parent)
    : KXVeilView(parent)
{
    setUPUI();
}

QWidget* KXDiversionGroupView::centerBgView() const
{
    return centerBgView_;
}

void KXDiversionGroupView::setUPUI()
{
    centerBgView_ = new KXFilledView(this, Qt::white, 3);
    lc_makeConstraints(lcView(centerBgView_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(320);
        make.height().equalTo(340);
    });
    auto* title = kxaccount::makeLabel(centerBgView_, QStringLiteral("欢迎加入 Corvane 用户群"), 16, kxaccount::kText, true);
    auto* hint = kxaccount::makeLabel(centerBgView_, QStringLiteral("扫码加入 QQ 群，获取字体资讯和使用帮助"), 12, kxaccount::kMutedText);
    QQERCodeImgView_ = new ImageView(centerBgView_);
    sureBtn_ = new KXFillButton(centerBgView_, QStringLiteral("我知道了"), QColor(251, 89, 46), Qt::white, 12, [this](KXBaseButton*) { sureBtnClick(); });
    cancelButton_ = kxaccount::makeLinkButton(centerBgView_, QStringLiteral("✕"), kxaccount::kMutedText, [this](KXBaseButton*) { cancelBtn(); }, 14);
    kx_setOverlayKeys(this, cancelButton_);

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(24);
    });
    lc_makeConstraints(lcView(hint), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(52);
    });
    lc_makeConstraints(lcView(QQERCodeImgView_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(84);
        make.width().height().equalTo(160);
    });
    lc_makeConstraints(lcView(sureBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-26);
        make.width().equalTo(140);
        make.height().equalTo(24);
    });
    lc_makeConstraints(lcView(cancelButton_), [](LCConstraintMaker& make) {
        make.right().equalTo(-10);
        make.top().equalTo(8);
        make.width().height().equalTo(22);
    });
    kx_loadQQGroupCode(QQERCodeImgView_);
}

void KXDiversionGroupView::cancelBtn()
{
    kx_removeFromSuperview(this);
}

void KXDiversionGroupView::sureBtnClick()
{
    kx_removeFromSuperview(this);
}
