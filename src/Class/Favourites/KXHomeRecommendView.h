#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QRect>
#include <memory>

class KXBaseButton;
class KXHomeRecommendCell;
class KXPublishFavoritesWindowsController;
class KXRecordListModel;
class KXRecordListView;
class WKWebScriptBridge;

// The recommend tab: the public collections the service recommends, as cards
// (KXHomeRecommendCell, 280 high, 15 apart) under a white band with the upload button. Loading
// asks for the cards and, signed in, refreshes the session's followed collections and folders
// (through their reply gates). A card opens its collection (KXHomeRecomDetailView) over this page;
// the upload button opens the publish window, made once and kept for the page's life, centred on
// each click. A reply for a page already gone changes nothing. Main thread only.
class KXHomeRecommendView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr int kTopHeight = 50;

    explicit KXHomeRecommendView(const QRect& frame = {}, QWidget* parent = nullptr);
    ~KXHomeRecommendView() override;

    // The cards in the service's order.
    const foundation::Ref<foundation::MutableArray>& groupDataA() const { return groupDataA_; }

    void setUPData();
    void upLoadBtnClick();
    // Opens the card in that row; a negative row opens nothing.
    void tablecellClick(int row);

    KXRecordListView* tableview() const { return tableview_; }
    KXHomeRecommendCell* cell() const { return cell_; }
    KXBaseButton* uploadBtn() const { return uploadBtn_; }
    QWidget* topview() const { return topview_; }
    KXPublishFavoritesWindowsController* pubWindowsController() const { return pubWindowsController_.get(); }
    // The page's script bridge: declared for the web pages that may one day be shown here; never set.
    const std::shared_ptr<WKWebScriptBridge>& bridge() const { return bridge_; }

private:
    void setUPUI();

    foundation::Ref<foundation::MutableArray> groupDataA_;
    std::unique_ptr<KXPublishFavoritesWindowsController> pubWindowsController_;
    std::shared_ptr<WKWebScriptBridge> bridge_;
    QWidget* topview_ = nullptr;
    KXBaseButton* uploadBtn_ = nullptr;
    KXRecordListView* tableview_ = nullptr;
    KXRecordListModel* model_ = nullptr;
    KXHomeRecommendCell* cell_ = nullptr;
};
