#pragma once

#include "Class/Favourites/Core/KXFolderFiling.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/String.h"

#include <QPointer>

#include <memory>
#include <optional>

class KXBaseButton;
class KXFontGroupAddCell;
class KXRecordListView;
class QLabel;

// The add-to-folder dialog a font row's favourite button opens, over its opener and pinned to its
// edges: the user's folders as check boxes, ticked where the folder holds the font. It shows the
// session's folders at once and the list a fresh load brings when it arrives (clicks are kept by
// folder id). Confirm sends the font's whole new set of folders in one request ("collect_id", ""
// for none; nothing when no box changed) and leaves at once; when the server answered, the folders
// are read again (through the session's reply gate, so a slower dialog's list never replaces a
// newer one) and the delegate gets refreshowCell(rowNum). A failure tells nobody. The new-folder
// button posts "createNewGroup" (the main window opens the create dialog) and leaves; cancel
// leaves. The dialog itself is a veil (black at alpha 0.2, corner radius 4) with a white box.
// Main thread only.
class KXFontGroupAddView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr const char* kCreateNewGroupNotification = "createNewGroup";

    explicit KXFontGroupAddView(QWidget* parent = nullptr);
    ~KXFontGroupAddView() override;

    const foundation::Ref<foundation::String>& fontid() const { return fontid_; }
    void setFontid(const foundation::Ref<foundation::String>& fontid);
    long rowNum() const { return rowNum_; }
    void setRowNum(long row) { rowNum_ = row; }
    std::shared_ptr<KXFontGroupAddViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXFontGroupAddViewDelegate>& delegate) { delegate_ = delegate; }

    // The user's choice so far.
    const KXFolderFiling& filing() const { return filing_; }
    // The folders of the session read again; the list shows them when they arrive.
    void setUpData();
    void sureBtnClick();
    void newgroupClick();
    void cancelClick();
    // An item's click (the items' delegate).
    void groupsItemButtonClick(const foundation::Ref<foundation::Dictionary>& info);

    QWidget* listBgView() const { return listBgView_; }
    KXRecordListView* grouoList() const { return grouoList_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    KXBaseButton* newGroupBtn() const { return newGroupBtn_; }

    // Registers the dialog with the font list's overlay registry.
    static void registerOverlay();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Adapter;
    class Items;
    void setUPUI();
    void showFolders();

    foundation::Ref<foundation::String> fontid_;
    long rowNum_ = 0;
    std::weak_ptr<KXFontGroupAddViewDelegate> delegate_;
    KXFolderFiling filing_{0};
    std::shared_ptr<Adapter> adapter_;
    QWidget* listBgView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    KXRecordListView* grouoList_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
    KXBaseButton* newGroupBtn_ = nullptr;
    Items* items_ = nullptr;
    KXFontGroupAddCell* cell_ = nullptr;
};
