// What the hub does on the notifications that have no other home: the updater window, a new or
// renamed folder, the big-character-set setting, the followed collections and the way to the
// recommended page.
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXOrderReminder.h"
#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeHubDelegates.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/Update/KXUPDateCenterWC.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

void KXHomeViewController::upDateAppNoti()
{
    // The controller lives as long as the hub: a second acceptance shows the same window and
    // never starts its work again.
    if (!updateAppWindow_)
        updateAppWindow_ = std::make_unique<KXUPDateCenterWC>(QStringLiteral("KXUPDateCenterWC"), this);
    updateAppWindow_->showCentred();
}

void KXHomeViewController::addNewGroup()
{
    openFolderDialog(QString(), Id());
}

void KXHomeViewController::addNewGroup(const QString& menuItemTitle)
{
    if (menuItemTitle.isEmpty()) {
        addNewGroup();
        return;
    }
    // A rename only for a clicked row that is one of the folders.
    const Id folder = collectionTableview_->groupModel()->row(collectionTableview_->clickedRow());
    if (folder.isNil())
        return;
    openFolderDialog(QString::fromStdString(folder["collect_name"].stringValue()), folder["id"]);
}

void KXHomeViewController::upDateFontsSet()
{
    if (rightListview_->tabTypeNum() == 1)
        rightListview_->setTabTypeNum(1);
}

void KXHomeViewController::focusExpandNoti(const dispatch::Notification* notification)
{
    if (!notification)
        return;
    // A refused reply, a late one or one of a former session keeps what is stored.
    KXFolderSession::reloadFollows(dispatch::guardedQt(this, [](KXHomeViewController& self, const foundation::Ref<foundation::MutableArray>& followed) {
        self.followArray_ = followed;
        self.sideRowsChanged();
    }));
}

void KXHomeViewController::foldersStored()
{
    groupArray_ = KXFolderSession::folders();
    sideRowsChanged();
}

void KXHomeViewController::followsStored()
{
    const auto follows = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
    followArray_ = follows ? foundation::MutableArray::create(follows->objects()) : foundation::MutableArray::create();
    sideRowsChanged();
}

void KXHomeViewController::readBack(const dispatch::Notification& notification)
{
    const Id info(notification.userInfo);
    if (info["read"].stringValue() == KXAccountWrites::readName(KXAccountWrites::Read::Cart) && info["ok"].boolValue())
        showCartBadge(info["reply"]);
}

void KXHomeViewController::unpaidCountRead(const dispatch::Notification& notification)
{
    if (Id(foundation::UserDefaults::standardUserDefaults().stringForKey(KXOrderReminder::kOrderKey)).stringValue().empty())
        return;
    const Id num = Id(notification.userInfo)["num"];
    if (num.integerValue() < 1) {
        delegates_->orderReminderHideBadge();
        return;
    }
    delegates_->orderReminderPrepareBadge();
    delegates_->orderReminderShowBadge(num.integerValue() == KXOrderReminder::kStopNumber ? std::string() : num.stringValue());
}

void KXHomeViewController::myFocusToFoundMore()
{
    tabViewTouched(recommendBtn_);
}
