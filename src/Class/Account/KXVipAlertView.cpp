#include "Class/Account/KXVipAlertView.h"

#include "Class/Account/Core/KXPersonalCenterModel.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QPlainTextEdit>

using foundation::Id;
using layoutwidgets::lcView;

KXVipAlertView::KXVipAlertView(QWidget* parent)
    : KXVeilView(parent)
{
    setUPUI();
}

void KXVipAlertView::setUPUI()
{
    centerBg_ = new KXFilledView(this, Qt::white, 4);
    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(270);
        make.height().equalTo(320);
    });
    auto* title = kxaccount::makeLabel(centerBg_, QStringLiteral("VIP特权"), 16, QColor(215, 178, 127), true);
    textInfoView_ = new QPlainTextEdit(centerBg_);
    textInfoView_->setReadOnly(true);
    textInfoView_->setFrameShape(QFrame::NoFrame);
    textInfoView_->setFont(kxaccount::systemFont(13));
    textInfoView_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: rgb(85, 85, 85); }"));
    textInfoView_->setPlainText(QString::fromStdString(
        KXPersonalCenterModel::vipPrivilegesText(Id(KXUserCenterConfig::sharedKXUserCenterConfig().vipinfo()))));
    cancelBtn_ = new KXFillButton(centerBg_, QStringLiteral("知道了"), QColor(215, 178, 127), Qt::white, 3,
                                  [this](KXBaseButton*) { cancelBtnClick(); });
    kx_setOverlayKeys(this, cancelBtn_);

    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(18);
    });
    lc_makeConstraints(lcView(textInfoView_), [](LCConstraintMaker& make) {
        make.left().equalTo(18);
        make.right().equalTo(-18);
        make.top().equalTo(52);
        make.bottom().equalTo(-68);
    });
    lc_makeConstraints(lcView(cancelBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-18);
        make.width().equalTo(120);
        make.height().equalTo(34);
    });
}

void KXVipAlertView::cancelBtnClick()
{
    kx_removeFromSuperview(this);
}
