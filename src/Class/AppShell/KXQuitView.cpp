#include "Class/AppShell/KXQuitView.h"

#include "Class/AppShell/KXRoundedBox.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>

using foundation::Id;
using layoutwidgets::lcView;

KXQuitView::KXQuitView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

QWidget* KXQuitView::centerView() const
{
    return centerView_;
}

void KXQuitView::setUPUI()
{
    centerView_ = new KXRoundedBox(this, Qt::white, 4);
    messageLabel_ = new QLabel(QStringLiteral("确定要退出当前账号吗？"), centerView_);
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setStyleSheet(QStringLiteral("color: rgb(68, 68, 68); font-size: 14px;"));
    cancelBtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("取消"), [this](KXBaseButton*) { cancelClick(); }, centerView_);
    cancelBtn_->setNormalColor(QColor(151, 125, 98));
    cancelBtn_->setKXBaseButtonAlignment(2);
    sureBtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("退出登录"), [this](KXBaseButton*) { sureClick(); }, centerView_);
    sureBtn_->setNormalColor(QColor(176, 176, 176));
    sureBtn_->setKXBaseButtonAlignment(2);
    kx_setOverlayKeys(this, cancelBtn_);
    auto* line = new QWidget(centerView_);
    line->setStyleSheet(QStringLiteral("background: rgb(238, 238, 238);"));

    lc_makeConstraints(lcView(centerView_), [](LCConstraintMaker& make) {
        make.centerX().centerY().equalTo(0);
        make.width().equalTo(240);
        make.height().equalTo(130);
    });
    lc_makeConstraints(lcView(messageLabel_), [](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.height().equalTo(84);
    });
    QWidget* message = messageLabel_;
    lc_makeConstraints(lcView(line), [message](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(message)));
        make.height().equalTo(1);
    });
    QWidget* separator = line;
    lc_makeConstraints(lcView(cancelBtn_), [separator](LCConstraintMaker& make) {
        make.left().bottom().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(separator)));
        make.width().equalTo(120);
    });
    lc_makeConstraints(lcView(sureBtn_), [separator](LCConstraintMaker& make) {
        make.right().bottom().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(separator)));
        make.width().equalTo(120);
    });
}

void KXQuitView::cancelClick()
{
    kx_removeFromSuperview(this);
}

void KXQuitView::sureClick()
{
    const QPointer<QWidget> holder = parentWidget();
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    auto logint = foundation::Dictionary::create({{Id("logint"), Id("YES")}});
    dispatch::NotificationCenter::defaultCenter().post("homeNotificationCenter", Id(),
                                                        foundation::Dictionary::create({{Id("loginOut"), Id(logint)}}));
    // The confirmation lies on the personal centre, which closes with it (unless the sign-out
    // closed it already); laid on anything else, the main window's own view say, only the
    // confirmation goes.
    if (holder && holder->parentWidget() && holder->inherits("KXPersonalCenterView"))
        kx_removeFromSuperview(holder);
    kx_removeFromSuperview(this);
}

void KXQuitView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, kDimming));
    KXBaseView::paintEvent(event);
}
