#pragma once

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>

#include <memory>

class KXBaseButton;
class KXFontManagerCell;
class KXRecordListModel;
class KXRecordListView;
class LCConstraint;
namespace favouritesstyle {
class HighlightLabel;
}

// The favourite-folders page ("收藏的字体" tab and the personal centre): the user's folders as
// cards (KXFontManagerCell), 138 high and 10 apart, under a header that only the personal centre's
// origin ("个人中心") shows ("已创建%zd个收藏夹", the number highlighted, and the back button), and
// the new-folder button. Each page loads the folders at once (through the session's reply gate:
// the page shows the newest list of the signed-in user) and again after a folder detail it opened
// closes, after a folder was created and after a create, rename or delete whose reply was lost.
//
// A card opens the folder's fonts (KXFontManagerDetailView, list type 4, the folder's id and a
// return block that loads again); its menu manages, renames (KXFontGroupCreate) or deletes
// (KXDeleteGroupView) the folder. The default folder (the first of the list) is not renamed or
// deleted: "默认分组不支持修改". A rename or delete that the server confirmed changes the folder
// with that id, wherever it is now: a published folder renamed shows under review again, a deleted
// one leaves the page, the count and the session's folders. Main thread only.
class KXFontManagerView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr const char* kPersonalCentre = "个人中心";
    static constexpr int kHeaderHeight = 56;

    explicit KXFontManagerView(QWidget* parent = nullptr);
    ~KXFontManagerView() override;

    // The origin: only "个人中心" shows the header (header 56, new-folder button 70 from the top);
    // any other hides it (10 and 14).
    const QString& from() const { return from_; }
    void setFrom(const QString& from);
    const foundation::Ref<foundation::Array>& groupDataA() const { return groupDataA_; }
    // Shows the folders (kept as given) and the header's count.
    void setGroupDataA(foundation::Ref<foundation::Array> folders);
    // A list read elsewhere (a write's read back, another view's load): shown as setGroupDataA does,
    // keeping the list's scroll, and the row menu open on its folder while that folder is listed.
    void followFolders(foundation::Ref<foundation::Array> folders);

    void setUPData();
    void backBtnClick();
    // The new-folder button: the create dialog over the page.
    void uploadBtnClick();
    // A card's click: opens the folder shown in that row now.
    void tableviewCellClick(int row);

    // The row menu's entries, with the row's folder (found by id in the list shown now).
    void manageFolder(const foundation::Id& info);
    void renameFolder(const foundation::Id& info);
    void deleteFolder(const foundation::Id& info);

    QWidget* headView() const { return headView_; }
    favouritesstyle::HighlightLabel* coutLabel() const { return coutLabel_; }
    KXBaseButton* backBtn() const { return backBtn_; }
    KXBaseButton* uploadBtn2() const { return uploadBtn2_; }
    KXBaseButton* addGroupBtn() const { return addGroupBtn_; }
    KXRecordListView* tableview() const { return tableview_; }
    KXFontManagerCell* cell() const { return cell_; }
    double headviewHeight() const { return headviewHeight_; }
    double addgroupTop() const { return addgroupTop_; }

private:
    class Adapter;
    void setUPUI();
    void layOutHeader();
    // Shows a folder list the session loaded, while the page lives.
    KXFolderSession::Shown showLoadedFolders();
    // The folder at `index` may be changed: not the default folder at 0.
    bool refusesDefault(long index);

    QString from_;
    foundation::Ref<foundation::Array> groupDataA_;
    std::shared_ptr<Adapter> adapter_;
    dispatch::Subscription foldersStored_;
    double headviewHeight_ = 10;
    double addgroupTop_ = 14;
    QWidget* headView_ = nullptr;
    favouritesstyle::HighlightLabel* coutLabel_ = nullptr;
    KXBaseButton* backBtn_ = nullptr;
    KXBaseButton* uploadBtn2_ = nullptr;
    KXBaseButton* addGroupBtn_ = nullptr;
    KXRecordListView* tableview_ = nullptr;
    KXRecordListModel* model_ = nullptr;
    KXFontManagerCell* cell_ = nullptr;
};
