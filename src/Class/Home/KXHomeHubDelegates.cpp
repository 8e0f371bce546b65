#include "Class/Home/KXHomeHubDelegates.h"

#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"

#include <QLabel>

KXHomeHubDelegates::KXHomeHubDelegates(KXHomeViewController* hub)
    : hub_(hub)
{
}

void KXHomeHubDelegates::tabViewTouched(KXLeftTabView* tab)
{
    if (hub_)
        hub_->tabViewTouched(tab);
}

void KXHomeHubDelegates::KXLeftTabViewMouseEntered(const QString& identifier)
{
    if (hub_)
        hub_->KXLeftTabViewMouseEntered(identifier);
}

void KXHomeHubDelegates::KXLeftTabViewMouseExited(const QString& identifier)
{
    if (hub_)
        hub_->KXLeftTabViewMouseExited(identifier);
}

void KXHomeHubDelegates::loginClick()
{
    if (hub_)
        hub_->loginClick();
}

void KXHomeHubDelegates::backToCloudBtn()
{
    if (hub_)
        hub_->backToCloudBtn();
}

void KXHomeHubDelegates::KXGroupExtendCellClik(const foundation::Id& row, const QString& from)
{
    if (hub_)
        hub_->KXGroupExtendCellClik(row, from);
}

void KXHomeHubDelegates::KXGroupExtendBtnClik(const foundation::Id& row, bool fristBtnClick)
{
    if (hub_)
        hub_->KXGroupExtendBtnClik(row, fristBtnClick);
}

void KXHomeHubDelegates::KXGroupExtendBottomBtnClikFrom(const QString& from)
{
    if (hub_)
        hub_->KXGroupExtendBottomBtnClikFrom(from);
}

bool KXHomeHubDelegates::hoverTrackerIsSignedIn()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig().islogin();
}

bool KXHomeHubDelegates::hoverTrackerSectionPageOnTop()
{
    QWidget* top = hub_ ? kx_topSubview(hub_) : nullptr;
    return qobject_cast<KXMyfocusSetView*>(top) || qobject_cast<KXFontManagerView*>(top);
}

void KXHomeHubDelegates::hoverTrackerOpenFolders()
{
    if (hub_)
        hub_->MouseOnMyCollection();
}

void KXHomeHubDelegates::hoverTrackerOpenFollowed()
{
    if (hub_)
        hub_->MouseOnMyFocus();
}

void KXHomeHubDelegates::orderReminderHideBadge()
{
    if (hub_)
        hub_->orderNumLabel()->hide();
}

void KXHomeHubDelegates::orderReminderPrepareBadge()
{
    if (hub_)
        hub_->orderNumLabel()->setStyleSheet(
            QStringLiteral("background: rgb(238, 84, 84); border-radius: 10px; color: white; font-size: 11px;"));
}

void KXHomeHubDelegates::orderReminderShowBadge(const std::string& text)
{
    if (!hub_)
        return;
    hub_->orderNumLabel()->setText(QString::fromStdString(text));
    hub_->orderNumLabel()->show();
    hub_->orderNumLabel()->raise();
}

void KXHomeHubDelegates::orderReminderUnpaidOrders()
{
    if (!hub_)
        return;
    if (auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(hub_)))
        centre->setUPData();
}

void KXHomeHubDelegates::orderReminderStarted()
{
    if (hub_)
        hub_->shoppingCartBtn()->setState(0);
}
