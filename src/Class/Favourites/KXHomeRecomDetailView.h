#pragma once

#include "Class/Favourites/Core/KXPaletteHold.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>
#include <map>
#include <memory>
#include <optional>

class KXBaseButton;
class KXFontBaseModel;
class KXFontListModel;
class KXFontRowRoad;
class KXFontTableView;
template <typename Page> class KXFontRowsAdapter;
class KXHomeRecomDetailTopCell;
class KXLoginWindowController;
class QScrollArea;

// What a collection's detail page tells its opener. Does nothing unless implemented; held weakly.
class KXHomeRecomDetailViewDelegate {
public:
    virtual ~KXHomeRecomDetailViewDelegate() = default;
    virtual void loginClick() { }
    // The back button closed the page.
    virtual void recomDetailViewclosed() { }
};

// One public collection: its header (KXHomeRecomDetailTopCell, as high as
// KXCollectionHeaderLayout says) above its fonts as ordinary font rows 100 high, header and rows
// scrolling together (row 0 is the header, font k is row k + 1). The rows run the collection
// detail's copy of the row-click road; their favourite button opens the add-to-folder dialog (signed
// in) or the page's sign-in window, their title the font's detail panel. A back button closes the
// page, a share button opens the share dialog over the window's content.
//
// setInfoDic: shows a collection record and asks the service for its fonts (a reply for a record
// the page no longer shows is dropped). While a page shows such a record it holds the light
// palette (KXPaletteHold); the hold goes whenever the page leaves its superview, however it was
// removed, so the former palette comes back. setUserinfoDic: shows a record of the user's own
// folders or followed collections without a request: its "fonts" (ids, in their order, or font
// dictionaries) become the rows, the header hides its follow button and the palette stays.
//
// The add-to-folder dialog's report names the index it was opened with; the page redraws the font
// it was opened for, wherever that font is now. Main thread only.
class KXHomeRecomDetailView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr int kTopBarHeight = 44;

    explicit KXHomeRecomDetailView(QWidget* parent = nullptr);
    ~KXHomeRecomDetailView() override;

    const foundation::Ref<foundation::Dictionary>& infoDic() const { return infoDic_; }
    void setInfoDic(foundation::Ref<foundation::Dictionary> info);
    const foundation::Ref<foundation::Dictionary>& userinfoDic() const { return userinfoDic_; }
    void setUserinfoDic(foundation::Ref<foundation::Dictionary> info);
    const foundation::Ref<foundation::MutableArray>& groupDataA() const { return groupDataA_; }

    std::shared_ptr<KXHomeRecomDetailViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeRecomDetailViewDelegate>& delegate) { delegate_ = delegate; }

    // The table's rows: the header and one per font.
    int numberOfRows() const;
    // Row 0: the header's height; any other: the font rows' height of the page's road policy.
    int heightOfRow(int row) const;
    bool holdsPalette() const { return palette_.has_value(); }

    void backBtnClick();
    void shareBtnClick();
    void loginClick();
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record);
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record);
    void fontTitleClick(long long fontid);
    void downloadTTFPath(const foundation::Ref<foundation::String>& path);
    // The add-to-folder dialog's report for the index it was opened with.
    void refreshowCell(long row);

    KXBaseButton* backBtn() const { return backBtn_; }
    KXBaseButton* shareBtn() const { return shareBtn_; }
    KXHomeRecomDetailTopCell* topCell() const { return topCell_; }
    KXFontTableView* detailTableView() const { return detailTableView_; }
    KXFontListModel* listModel() const { return model_; }
    QScrollArea* scrollView() const { return scrollView_; }
    KXFontRowRoad& road() const { return *road_; }
    KXLoginWindowController* loginWindow() const { return loginWindow_.get(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Header;
    class Rows;
    void setUPUI();
    void showFonts(foundation::Ref<foundation::MutableArray> fonts);
    void showHeader();
    // The header's width: the viewport's, beside the scroll bar.
    int headerWidth() const;
    void layOutRows();

    foundation::Ref<foundation::Dictionary> infoDic_;
    foundation::Ref<foundation::Dictionary> userinfoDic_;
    foundation::Ref<foundation::MutableArray> groupDataA_;
    std::weak_ptr<KXHomeRecomDetailViewDelegate> delegate_;
    std::optional<KXPaletteHold> palette_;
    unsigned long long shown_ = 0; // which record the page shows: a reply for an earlier one is dropped
    std::shared_ptr<KXFontRowsAdapter<KXHomeRecomDetailView>> adapter_;
    std::shared_ptr<Header> headerDelegate_;
    std::shared_ptr<KXFontRowRoad> road_;
    std::unique_ptr<KXLoginWindowController> loginWindow_;
    // Index handed to an add-to-folder dialog -> the font it was opened for.
    std::map<long, long long> groupAddFonts_;
    KXBaseButton* backBtn_ = nullptr;
    KXBaseButton* shareBtn_ = nullptr;
    QScrollArea* scrollView_ = nullptr;
    QWidget* content_ = nullptr;
    KXHomeRecomDetailTopCell* topCell_ = nullptr;
    KXFontTableView* detailTableView_ = nullptr;
    KXFontListModel* model_ = nullptr;
    Rows* rows_ = nullptr;
};
