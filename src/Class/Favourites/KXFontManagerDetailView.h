#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class KXBaseButton;
class KXFontBaseModel;
class KXFontListModel;
class KXFontRowRoad;
class KXFontTableView;
template <typename Page>
class KXFontRowsAdapter;
class KXHomeListTableCellView;
class QLabel;

// The fonts of one favourite folder as ordinary font rows (KXFontTableView with the list's row),
// with the row actions of the font lists: a click runs the row-click road (this list's copy lets
// signed-out users through and reports activations of ids from 1), the favourite button opens the
// add-to-folder dialog, a title opens the font's detail panel. Rows are 90 high; each record is
// prepared as the folder tab of the font list prepares it (preview a third of the row, installed
// fonts drawn with the list type, favourite mark from the session's folders).
//
// After the add-to-folder dialog changed a font's folders, the row of that font (found by the font,
// not by the row number the dialog was opened with) leaves when the shown folder (`groupID`) no
// longer holds it; a page shown without a folder id keeps its rows and redraws the mark. Without
// rows (list types 3 and 4) the empty view shows "还未收藏字体，赶紧去收藏吧". The back button calls
// the return block with "back", then the page leaves its superview. Main thread only.
class KXFontManagerDetailView : public KXBaseView {
    Q_OBJECT

public:
    using ReturnBlock = std::function<void(const QString& reason)>;

    explicit KXFontManagerDetailView(QWidget* parent = nullptr);
    ~KXFontManagerDetailView() override;

    long long tabTypeNum() const { return tabTypeNum_; }
    void setTabTypeNum(long long type) { tabTypeNum_ = type; }
    const foundation::Ref<foundation::MutableArray>& dataArray() const { return dataArray_; }
    // Shows the records (kept, not copied); the empty view shows in list types 3 and 4 without rows.
    void setDataArray(foundation::Ref<foundation::MutableArray> records);
    const foundation::Id& groupID() const { return groupID_; }
    void setGroupID(const foundation::Id& groupID) { groupID_ = groupID; }
    const ReturnBlock& returnBlock() const { return returnBlock_; }
    void setReturnBlock(ReturnBlock block) { returnBlock_ = std::move(block); }

    void backBtnClick();
    // The add-to-folder dialog's report for the row it was opened with.
    void refreshowCell(long row);
    void fontTitleClick(long long fontid);
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record);
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record);
    void downloadTTFPath(const foundation::Ref<foundation::String>& path);

    KXBaseButton* backBtn() const { return backBtn_; }
    KXFontTableView* listTableView() const { return listTableView_; }
    KXFontListModel* listModel() const { return model_; }
    KXFontRowRoad& road() const { return *road_; }
    // The empty view, made on first use.
    QWidget* groupNoDataView();
    bool isShowingEmptyView() const;

private:
    class Rows;
    void setUPUI();
    void showEmptyView(bool show);

    long long tabTypeNum_ = 0;
    foundation::Ref<foundation::MutableArray> dataArray_;
    foundation::Id groupID_;
    ReturnBlock returnBlock_;
    std::shared_ptr<KXFontRowsAdapter<KXFontManagerDetailView>> adapter_;
    std::shared_ptr<KXFontRowRoad> road_;
    // Row number handed to an add-to-folder dialog -> the font it was opened for.
    std::map<long, long long> groupAddFonts_;
    KXBaseButton* backBtn_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    KXFontTableView* listTableView_ = nullptr;
    QWidget* groupNoDataView_ = nullptr;
    KXFontListModel* model_ = nullptr;
    Rows* rows_ = nullptr;
};
