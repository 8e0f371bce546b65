// Side tables: the favourite folders and the followed collections beside the left menu, their
// accordion, a row click, the new-folder button and what the hub does with the group pop-ups'
// rows and buttons.
#include "Class/Favourites/Core/KXFolderRecords.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXDeleteGroupView.h"
#include "Class/Favourites/KXFontGroupCreate.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXShareCollectionGroupView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;

namespace {

KXUserCenterConfig& sideTableSession()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig();
}

void setModule(const char* label)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(label));
}

Ref<foundation::MutableArray> mutableRows(const Ref<foundation::Array>& rows)
{
    auto copy = rows ? std::dynamic_pointer_cast<foundation::MutableArray>(rows->mutableCopy()) : nullptr;
    return copy ? copy : foundation::MutableArray::create();
}

bool sameId(const Id& a, const Id& b)
{
    return !a.isNil() && !b.isNil() && a.stringValue() == b.stringValue();
}

// Replaces a table's rows and keeps its selected folder or collection where it is now: a row
// number would move the selection to whatever took the place of a removed row.
void showRows(KXHomeGroupTableView* table, const Ref<foundation::Array>& rows)
{
    const int selected = table->selectedRow();
    const Id selectedId = table->groupModel()->row(selected)["id"];
    table->groupModel()->setRows(rows);
    if (selectedId.isNil()) {
        table->selectRow(selected);
        return;
    }
    int row = -1;
    for (std::size_t i = 0; rows && i < rows->count() && row < 0; ++i) {
        if (sameId(rows->objectAtIndex(i)["id"], selectedId))
            row = static_cast<int>(i);
    }
    table->selectRow(row);
}

// An open table wants its rows, up to six; on a short window it gives way down to two rows and
// scrolls the rest. A closed one is flat.
void constrainTableHeight(LCConstraintMaker& make, double full, float fullPriority)
{
    if (full <= 0) {
        make.height().equalTo(0);
        return;
    }
    make.height().lessThanOrEqualTo(full);
    make.height().greaterThanOrEqualTo(KXSideTableAccordion::leastHeight(full));
    make.height().equalTo(full).priority(fullPriority);
}

} // namespace

bool KXHomeViewController::isSideRowSelected(const KXHomeGroupTableView* table, int row) const
{
    if (selectedTabView_ || row < 0 || row != table->selectedRow())
        return false;
    return KXHomeProcessState::shared().followedSelection == (table == followTableview_);
}

void KXHomeViewController::reloadSideTables()
{
    collectionTableview_->reloadData();
    followTableview_->reloadData();
}

void KXHomeViewController::sideRowsChanged()
{
    showRows(collectionTableview_, groupArray());
    showRows(followTableview_, followArray());
    accordion_.rowsChanged(groupArray()->count(), followArray()->count());
    layOutSideTables();
}

void KXHomeViewController::layOutSideTables()
{
    QWidget* line2 = leftMenuLine2_;
    const double inset = fontManagerInset_;
    lc_remakeConstraints(lcView(fontManagerBtn_), [line2, inset](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(line2))).offset(15);
        make.left().equalTo(inset);
        make.right().equalTo(0);
        make.height().equalTo(30);
    });
    QWidget* favourites = fontManagerBtn_;
    lc_remakeConstraints(lcView(collectionScrollView_), [favourites, height = accordion_.collectionHeight()](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(favourites)));
        make.left().right().equalTo(0);
        constrainTableHeight(make, height, kSideTableFullPriority);
    });
    // The new-folder button shows under the open folder table; the followed tab follows it.
    QWidget* above = collectionScrollView_;
    double gap = 0;
    newgroupBtn_->setVisible(accordion_.isCollectionOpen());
    if (accordion_.isCollectionOpen()) {
        layOutNewGroupButton();
        above = newgroupBtn_;
        gap = 4;
    }
    lc_remakeConstraints(lcView(myFocusBtn_), [above, gap](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(above))).offset(gap);
        make.left().right().equalTo(0);
        make.height().equalTo(30);
    });
    QWidget* followed = myFocusBtn_;
    lc_remakeConstraints(lcView(followScrollView_), [followed, height = accordion_.followHeight()](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(followed)));
        make.left().right().equalTo(0);
        constrainTableHeight(make, height, kSideTableFullPriority);
        // The last piece of the menu's column: the column's content holds it.
        make.bottom().lessThanOrEqualTo(-kMenuColumnFoot);
    });
}

void KXHomeViewController::layOutNewGroupButton()
{
    QWidget* table = collectionScrollView_;
    const bool collapsed = isMenuCollapsed();
    lc_remakeConstraints(lcView(newgroupBtn_), [table, collapsed](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(table))).offset(4);
        make.height().equalTo(20);
        make.width().equalTo(60);
        if (collapsed)
            make.centerX().equalTo(0);
        else
            make.left().equalTo(4);
    });
}

void KXHomeViewController::colletExpand()
{
    fontManagerInset_ = 7;
    accordion_.toggleCollection(groupArray()->count());
    layOutSideTables();
    // A write read back in vain leaves the folders stale: no ghost outlives the next look.
    KXAccountWrites::readIfStale(KXAccountWrites::Read::Folders);
}

void KXHomeViewController::focusExpandAction()
{
    KXAccountWrites::readIfStale(KXAccountWrites::Read::Follows);
    if (sideTableSession().islogin()) {
        setModule("合集检测更新错误");
        const Id version = foundation::UserDefaults::standardUserDefaults().objectForKey("collect_version");
        bussinessR()->isUpdateGroupDataByCollectversion(
            Id(foundation::String::create(foundation::format("%@", version))),
            dispatch::guardedQt(this,
                                [](KXHomeViewController& self, const Id& reply) {
                                    const Id isNew = reply["corvane_data"]["is_new"];
                                    if (isNew.number() && isNew.integerValue() == 1)
                                        self.MouseOnMyFocus();
                                }),
            [](const Ref<foundation::Error>&) { });
    }
    if (!accordion_.isFollowOpen())
        fontManagerInset_ = 7;
    accordion_.toggleFollow(followArray()->count());
    layOutSideTables();
}

Ref<foundation::MutableArray> KXHomeViewController::fontRecords(const Id& group) const
{
    // The folders hold font ids: the records come from the local catalogue, in the folder's order.
    const Id fonts = group["fonts"];
    const std::string ids = fonts.array() ? fonts.array()->componentsJoinedByString(",") : fonts.stringValue();
    return KXFilterData().recentDataWithIDs(ids);
}

void KXHomeViewController::tableViewCellClick(KXHomeGroupTableView* table)
{
    // The folder shows in the list, beneath whatever lay over it: a page of any kind goes, as it
    // does for a tab; a new-version prompt holds the window.
    if (!closeOverlays())
        return;
    const int row = table->selectedRow();
    if (row < 0)
        return;
    if (selectedTabView_) {
        selectedTabView_->setSelected(false);
        selectedTabView_ = nullptr;
    }
    auto& state = KXHomeProcessState::shared();
    const bool followed = table->tag() == KXHomeGroupTableView::kFollowTag;
    state.followedSelection = followed;
    if (state.sideTableRowMemory >= 0) {
        const int previous = static_cast<int>(state.sideTableRowMemory);
        collectionTableview_->reloadRow(previous);
        followTableview_->reloadRow(previous);
    }
    state.sideTableRowMemory = row;

    // The rows are refreshed from the session; the clicked folder or collection is the one the
    // selection stayed on.
    Id group;
    if (!followed) {
        groupArray_ = mutableRows(sideTableSession().groupsInfo());
        showRows(collectionTableview_, groupArray_);
        collectionTableview_->reloadRow(collectionTableview_->selectedRow());
        group = collectionTableview_->groupModel()->row(collectionTableview_->selectedRow());
    } else {
        followTableview_->reloadRow(row);
        followArray_ = mutableRows(sideTableSession().followsArray());
        showRows(followTableview_, followArray_);
        group = followTableview_->groupModel()->row(followTableview_->selectedRow());
    }
    accordion_.rowsChanged(groupArray()->count(), followArray()->count());
    layOutSideTables();
    const Ref<foundation::MutableArray> records = group.isNil() ? foundation::MutableArray::create() : fontRecords(group);
    rightListview_->setGroupID(group.isNil() ? nullptr : foundation::String::create(group["id"].stringValue()));
    rightListview_->setTabTypeNum(4);
    rightListview_->setDataArray(records);
}

void KXHomeViewController::KXGroupExtendBtnClik(const Id& row, bool fristBtnClick)
{
    const QString origin = groupExtendView_ ? groupExtendView_->from() : QString();
    const Ref<foundation::Array> popUpRows = groupExtendView_ ? groupExtendView_->dataA() : nullptr;
    removeKeptPopUp();
    const Id id = row["id"];
    if (origin == QLatin1String(kFoldersOrigin)) {
        if (popUpRows && popUpRows->indexOfObject(row) == 0) {
            MLHudAlert::alertWithWindow(window(), 1, QString::fromUtf8(kDefaultFolderToast));
            return;
        }
        if (fristBtnClick) {
            auto* dialog = new KXDeleteGroupView();
            dialog->setGroupID(id);
            addOverlay(dialog);
            readFoldersAfterLostDelete(*dialog, id);
            dialog->setGroupBlock(dispatch::guardedQt(
                this, [id](KXHomeViewController& self, const Ref<foundation::Dictionary>&) {
                    // The list must not go on showing a folder that is gone.
                    const bool shown = self.listShowsFolder(id);
                    self.dropFolder(id);
                    if (shown)
                        self.showDefaultFolderLater();
                }));
        } else {
            openFolderDialog(QString::fromStdString(row["collect_name"].stringValue()), id);
        }
        return;
    }
    if (!fristBtnClick) {
        setModule("添加/取消收藏错误");
        auto* dialog = new KXDeleteGroupView();
        addOverlay(dialog);
        dialog->setInfo(foundation::Dictionary::create({{Id("title"), Id("取消关注的合集")},
                                                        {Id("content"), Id("是否取消关注该合集")},
                                                        {Id("id"), Id(foundation::String::create(foundation::format("%@", id)))}}));
        dialog->setGroupBlock(dispatch::guardedQt(this, [](KXHomeViewController& self, const Ref<foundation::Dictionary>&) {
            const dispatch::Notification unfollowed{"", Id(""), nullptr};
            self.focusExpandNoti(&unfollowed);
        }));
        return;
    }
    auto* share = new KXShareCollectionGroupView();
    share->setGroupID(id);
    addOverlay(share);
}

void KXHomeViewController::KXGroupExtendCellClik(const Id& row, const QString& from)
{
    removeKeptPopUp();
    tabViewTouched(fontManagerBtn_);
    if (from == QLatin1String(kFoldersOrigin)) {
        if (!qobject_cast<KXFontManagerDetailView*>(kx_topSubview(this)))
            detailView_ = new KXFontManagerDetailView();
        detailView_->setTabTypeNum(4);
        detailView_->setDataArray(fontRecords(row));
        addPanel(detailView_);
        return;
    }
    tabViewTouched(myFocusBtn_);
    if (!qobject_cast<KXHomeRecomDetailView*>(kx_topSubview(this)))
        myfocusDetailView_ = new KXHomeRecomDetailView();
    myfocusDetailView_->setInfoDic(row.dictionary());
    addPage(myfocusDetailView_);
}

void KXHomeViewController::KXGroupExtendBottomBtnClikFrom(const QString& from)
{
    removeKeptPopUp();
    if (from == QLatin1String(kFoldersOrigin))
        addNewGroup();
    else
        tabViewTouched(recommendBtn_);
}

void KXHomeViewController::newgroupClick()
{
    if (!sideTableSession().islogin()) {
        loginClick();
        return;
    }
    addNewGroup();
}

void KXHomeViewController::openFolderDialog(const QString& title, const Id& groupid)
{
    auto* dialog = new KXFontGroupCreate();
    if (!groupid.isNil()) {
        dialog->setTitle(title);
        dialog->setGroupid(groupid);
    }
    addOverlay(dialog);
    // The dialog reports a rename with the new name only: the folder is the one it was opened for.
    dialog->setGroupBlock(dispatch::guardedQt(this, [groupid](KXHomeViewController& self, const Ref<foundation::Dictionary>& group) {
        self.groupCreated(group, groupid);
    }));
}

void KXHomeViewController::groupCreated(const Ref<foundation::Dictionary>& group, const Id& renamedId)
{
    const Id created(group);
    const Id id = renamedId.isNil() ? created["id"] : renamedId;
    auto folders = groupArray();
    bool renamed = false;
    for (std::size_t i = 0; i < folders->count(); ++i) {
        const Id folder = folders->objectAtIndex(i);
        if (!sameId(folder["id"], id))
            continue;
        // A new name for a folder: the entry keeps its fonts and everything else.
        auto entry = folder.dictionary() ? foundation::MutableDictionary::dictionaryWithDictionary(*folder.dictionary())
                                         : foundation::MutableDictionary::create();
        entry->setValue(created["collect_name"], "collect_name");
        folders->replaceObjectAtIndex(i, Id(entry));
        renamed = true;
        break;
    }
    if (!renamed) {
        folders->addObject(created);
        upDateBuyCartState();
    }
    // The service has made the change: a list asked for before it is out of date. The stored list
    // comes back to the side tables through the session's notice (foldersStored).
    KXFolderSession::storeChangedFolders(folders);
}

bool KXHomeViewController::listShowsFolder(const Id& id) const
{
    if (selectedTabView_ || KXHomeProcessState::shared().followedSelection
        || rightListview_->tabTypeNum() != 4)
        return false;
    const auto& shown = rightListview_->groupID();
    return shown && sameId(Id(shown), id);
}

void KXHomeViewController::showDefaultFolderLater()
{
    dispatch::mainQueue().after(
        kDeletedFolderDelay, dispatch::guardedQt(this, [](KXHomeViewController& self) {
            self.collectionTableview_->selectRow(0);
            self.tableViewCellClick(self.collectionTableview_);
        }));
}

void KXHomeViewController::readFoldersAfterLostDelete(KXDeleteGroupView& dialog, const Id& id)
{
    // The side tables take the folders read again from the session's notice (foldersStored).
    dialog.setReloadBlock(dispatch::guardedQt(
        this, [id](KXHomeViewController& self, const Ref<foundation::MutableArray>& folders) {
            if (KXFolderRecords::indexOf(folders.get(), id) < 0 && self.listShowsFolder(id))
                self.showDefaultFolderLater();
        }));
}

void KXHomeViewController::dropFolder(const Id& id)
{
    // A new list, not the shown one changed in place: the table finds its selected folder in the
    // rows it shows until it is given the stored list, through the session's notice (foldersStored).
    auto folders = foundation::MutableArray::create();
    for (const Id& folder : groupArray()->objects()) {
        if (!sameId(folder["id"], id))
            folders->addObject(folder);
    }
    KXFolderSession::storeChangedFolders(folders);
}
