#pragma once

#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/SearchFilter/Core/KXHomeSearchState.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/UIKit/KXBaseView.h"

#include <QPointer>

#include <map>
#include <memory>

class KXBaseButton;
class KXFontListModel;
class KXFontRowRoad;
class KXFontTableView;
class KXHomeListTableCellView;
class QAbstractListModel;
class QLabel;
class THSearchField;

// The font search panel, laid over the font list edge to edge: a search box, a section title and
// one table showing the user's last searches, type-ahead suggestions from the local catalogue, or
// the fonts of a server search as full font rows (KXHomeSearchState says which). Font rows run the
// row-click road with the search panel's policy; their title opens the font's detail panel over
// the list and their favourite button the add-to-folder dialog.
//
// The table is the list's KXFontTableView: text rows are painted from a list model of the state's
// texts, font rows from a KXFontListModel of its records, both by one row delegate, for the rows
// in view only; suggestion records are read when a row needs one.
//
// The add-to-folder dialog's report names the row it was opened with; the panel redraws the font
// it was opened for wherever that font is now, and nothing when the font rows no longer show it.
//
// The panel goes when its close button is pressed (the history is written when not empty) or when
// its owner takes it away (the history is written too). Main thread only.
class KXHomeSearchView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXHomeSearchView(const QRect& frame = QRect(0, 0, 900, 700), QWidget* parent = nullptr,
                              std::shared_ptr<KXHomeSearchServices> services = KXHomeSearchServices::standard(),
                              std::filesystem::path historyFile = KXSearchHistory::defaultFile());
    ~KXHomeSearchView() override;

    std::shared_ptr<KXHomeSearchViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXHomeSearchViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // The actions.
    void sureBtnClick();
    void cancelBtnClick();
    void clearBtnClick();
    void tableViewCellClick(long long row);

    // The rows' callbacks (the road and the dialogs of a font row).
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record);
    void fontTitleClick(long long fontid);
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record);
    void downloadTTFPath(const foundation::Ref<foundation::String>& path);
    // The add-to-folder dialog's report for the row it was opened with.
    void refreshowCell(long row);

    KXHomeSearchState& state() const { return *state_; }
    KXFontRowRoad& road() const { return *road_; }
    // The index of the last clicked font row in the rows shown, -1 when it is not shown.
    long long selectedRow() const;

    // The views, for tests.
    THSearchField* customStrTF() const { return customStrTF_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    KXBaseButton* clearBtn() const { return clearBtn_; }
    QLabel* topicLabel() const { return topicLabel_; }
    QWidget* noDataView() const { return noDataView_; }
    KXFontTableView* listTableView() const { return listTableView_; }
    KXFontListModel* fontModel() const { return fontModel_; }
    QAbstractListModel* textModel() const;

protected:
    bool event(QEvent* event) override;

private:
    class Adapter;
    class TextModel;
    class RowDelegate;
    void setUPBaseUI();
    void showState();
    bool appendRows(const foundation::Array& rows);
    void placeTitle(KXHomeSearchState::TitlePlace place);
    QWidget* makeNoDataView();
    void removed();

    std::weak_ptr<KXHomeSearchViewDelegate> delegate_;
    std::shared_ptr<Adapter> adapter_;
    std::shared_ptr<KXHomeSearchState> state_;
    std::shared_ptr<KXFontRowRoad> road_;

    QLabel* customStrImg_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    THSearchField* customStrTF_ = nullptr;
    QWidget* searchBox_ = nullptr;
    QLabel* topicLabel_ = nullptr;
    KXBaseButton* clearBtn_ = nullptr;
    QWidget* noDataView_ = nullptr;
    KXFontTableView* listTableView_ = nullptr;
    TextModel* textModel_ = nullptr;
    KXFontListModel* fontModel_ = nullptr;
    RowDelegate* rowDelegate_ = nullptr;
    std::optional<KXHomeSearchState::TitlePlace> titlePlace_;
    // Row number handed to an add-to-folder dialog -> the font it was opened for.
    std::map<long, long long> groupAddFonts_;
};
