#pragma once

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>

#include <functional>

class KXBaseButton;
class QLabel;
class QLineEdit;

// The dialog that creates a favourite folder or, given a folder id above 0, renames one, laid
// over its opener and pinned to its edges: a veil (black at alpha 0.2) with a white box holding
// the title, the name field and the cancel and confirm buttons; once shown, the name field has the
// keys. Confirm and Return in the field check the name (KXFolderNameRule: "请输入分组名称",
// "不能超过三十个字符"), send the create or rename and report with a toast: the server's refusal
// (its message) and success ("创建成功！", "修改成功！") as success toasts, a network failure as
// "网络失败！". After a success the group block gets the name that was sent ({"collect_name"}, and
// {"id"} of a new folder) and the dialog leaves; otherwise it stays with the typed name. While a
// request runs, confirm does nothing, so Return plus a click sends once. The group block runs even
// when the dialog was closed meanwhile (the server has the folder). A network failure leaves it
// unknown whether the server made the change, so the folder list is read back
// (KXFolderWriteOutcome), as after the refusal "收藏夹名称已存在" of a name whose own attempt was
// lost: the reload block gets the folders read, and the dialog closes when they show the change,
// or stays with the name. A create of a name whose earlier create is still of unknown outcome (its
// read back failed, or the client ended before its reply) reads the folders first: shown, it ends
// as that create's success ("创建成功！") and nothing is sent; not shown, it sends; unread, "网络失败！"
// and nothing is sent. Main thread only.
class KXFontGroupCreate : public KXBaseView {
    Q_OBJECT

public:
    using GroupBlock = std::function<void(const foundation::Ref<foundation::Dictionary>& result)>;

    explicit KXFontGroupCreate(QWidget* parent = nullptr);
    ~KXFontGroupCreate() override;

    // The folder to rename; unset or not above 0 (integer value): create mode.
    const foundation::Id& groupid() const { return groupid_; }
    void setGroupid(const foundation::Id& groupid) { groupid_ = groupid; }
    // The current name: puts it in the field and the dialog's title becomes "分组重命名".
    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    const GroupBlock& groupBlock() const { return groupBlock_; }
    void setGroupBlock(GroupBlock block) { groupBlock_ = std::move(block); }
    // Gets the folders read again after a network failure, even when the dialog was closed.
    void setReloadBlock(KXFolderSession::Shown block) { reloadBlock_ = std::move(block); }

    bool isRenaming() const;
    bool isSubmitting() const { return submitting_; }

    QLabel* titleLabel() const { return titleLabel_; }
    QWidget* centerBgView() const { return centerBgView_; }
    QLineEdit* showTF() const { return showTF_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }

    void cancelClick();
    void sureClick();
    // Checks the field's name and sends it.
    void creatGroup();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setUPUI();

    foundation::Id groupid_;
    QString title_;
    GroupBlock groupBlock_;
    KXFolderSession::Shown reloadBlock_;
    bool submitting_ = false;
    // The name of this dialog's last attempt whose reply was lost.
    QString lostName_;
    QLabel* titleLabel_ = nullptr;
    QWidget* centerBgView_ = nullptr;
    QLineEdit* showTF_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
};
