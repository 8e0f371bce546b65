// The side tables' context menus (delete or rename a folder, unfollow or open a followed
// collection) and two small actions: the VIP mark and the diagnostic toast.
#include "Class/Account/KXVipAlertView.h"
#include "Class/AppShell/KXDeviceInfo.h"
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXHomeRecomDetailTopCell.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"

using foundation::Id;
using foundation::Ref;

namespace {

// The row the context menu opened on, nil over empty space or beyond the rows.
Id clickedRow(const KXHomeGroupTableView* table)
{
    return table->groupModel()->row(table->clickedRow());
}

} // namespace

void KXHomeViewController::deleteGroupAction()
{
    const Id folder = clickedRow(collectionTableview_);
    if (folder.isNil())
        return;
    if (collectionTableview_->clickedRow() == 0) {
        MLHudAlert::alertWithWindow(window(), 1, QString::fromUtf8(kDefaultFolderToast));
        return;
    }
    const Id id = folder["id"];
    auto* dialog = new KXDeleteGroupView();
    dialog->setGroupID(id);
    addOverlay(dialog);
    readFoldersAfterLostDelete(*dialog, id);
    dialog->setGroupBlock(dispatch::guardedQt(this, [id](KXHomeViewController& self, const Ref<foundation::Dictionary>&) {
        self.dropFolder(id);
        self.showDefaultFolderLater();
    }));
}

void KXHomeViewController::renameGroupAction()
{
    if (clickedRow(collectionTableview_).isNil())
        return;
    if (collectionTableview_->clickedRow() == 0) {
        MLHudAlert::alertWithWindow(window(), 1, QString::fromUtf8(kDefaultFolderToast));
        return;
    }
    addNewGroup(QStringLiteral("分组重命名"));
}

void KXHomeViewController::canceFollowAction()
{
    const Id collection = clickedRow(followTableview_);
    if (collection.isNil())
        return;
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("添加/取消收藏错误"));
    const Id collectionID = collection["id"];
    bussinessR()->isAttentionGroup(
        collectionID, Id("0"),
        dispatch::guardedQt(this,
                            [collectionID](KXHomeViewController&, const Id& reply) {
                                if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                                    return;
                                // Told as a collection page's own follow button tells it: this
                                // window refreshes its followed list on it, and a page showing
                                // the collection shows it unfollowed.
                                KXHomeRecomDetailTopCell::postAttentionChange(collectionID, 0);
                            }),
        // A lost reply is read back by the facade: the side table takes the followed list it stores.
        [](const foundation::Ref<foundation::Error>&) { });
}

void KXHomeViewController::detailFollowAction()
{
    const int row = followTableview_->clickedRow();
    const Id collection = clickedRow(followTableview_);
    if (collection.isNil())
        return;
    if (!recomDetailView_) {
        recomDetailView_ = new KXHomeRecomDetailView();
        kx_setKeptByHolder(recomDetailView_, true);
    }
    recomDetailView_->setUserinfoDic(collection.dictionary());
    addPage(recomDetailView_);
    followTableview_->selectRow(row);
}

void KXHomeViewController::vipIMGClick()
{
    addOverlay(new KXVipAlertView());
}

void KXHomeViewController::testAppFrom()
{
    const auto from = KXDeviceInfo::distributionSource(KXDeviceInfo::systemRoots().distribution);
    MLHudAlert::alertWithWindow(window(), 0, QString::fromStdString(from.value_or(std::string())));
}
