#pragma once

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>

#include <functional>

class KXBaseButton;
class QLabel;

// The question before a favourite folder is deleted or, given setInfo() {"title", "content",
// "id"}, before the followed collection "id" is unfollowed: a veil (black at alpha 0.2) with a
// white box, its title, question, cancel and confirm. Delete: the server's refusal shows its
// message, success shows "删除成功" (both success toasts), calls the group block with an empty
// dictionary and closes the dialog; a network failure shows "网络失败！" and, since the server may
// have deleted the folder before the reply was lost, the folder list is read back
// (KXFolderWriteOutcome), as after the refusal "收藏夹不存在": the reload block gets the folders
// read, and the dialog closes when the folder is gone from them, or stays.
// Unfollow: whatever the answer, the dialog closes silently (a lost reply is read back by the
// facade, KXAccountWrites). While a request runs, confirm does
// nothing. The group block runs even when the dialog was closed meanwhile. Main thread only.
class KXDeleteGroupView : public KXBaseView {
    Q_OBJECT

public:
    using GroupBlock = std::function<void(const foundation::Ref<foundation::Dictionary>& result)>;

    explicit KXDeleteGroupView(QWidget* parent = nullptr);
    ~KXDeleteGroupView() override;

    const foundation::Id& groupID() const { return groupID_; }
    void setGroupID(const foundation::Id& groupID) { groupID_ = groupID; }
    const foundation::Ref<foundation::Dictionary>& info() const { return info_; }
    void setInfo(const foundation::Ref<foundation::Dictionary>& info);
    const GroupBlock& groupBlock() const { return groupBlock_; }
    void setGroupBlock(GroupBlock block) { groupBlock_ = std::move(block); }
    // Gets the folders read back after a network failure of a delete, even when the dialog was
    // closed meanwhile.
    void setReloadBlock(KXFolderSession::Shown block) { reloadBlock_ = std::move(block); }
    bool isSubmitting() const { return submitting_; }

    QLabel* showLabel() const { return showLabel_; }
    QLabel* contentLabel() const { return contentLabel_; }
    QWidget* centerBgView() const { return centerBgView_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }

    void cancelBtnClick();
    void sureBtnClick();
    void clearLastButton() { }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();
    void unfollow();
    void deleteFolder();

    foundation::Id groupID_;
    foundation::Ref<foundation::Dictionary> info_;
    GroupBlock groupBlock_;
    KXFolderSession::Shown reloadBlock_;
    bool submitting_ = false;
    QLabel* showLabel_ = nullptr;
    QLabel* contentLabel_ = nullptr;
    QWidget* centerBgView_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
};
