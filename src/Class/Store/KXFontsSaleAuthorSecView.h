#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <memory>
#include <string>

class KXFontSaleBuyView;
class KXStoreButton;
class KXStoreTableCellView;
class KXStoreTableView;
class KXStoreTableViewDataSource;

// The two-level offer browser's offer list of one category: it asks the service for the
// category's offers (getBrand) and opens the offer page of the row clicked, handing it `fids`.
// Built and tested, but nothing in the client opens it: the licence chooser took its place.
// Replies hold the list weakly. Main thread only.
class KXFontsSaleAuthorSecView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXFontsSaleAuthorSecView(QWidget* parent = nullptr);
    ~KXFontsSaleAuthorSecView() override;

    const std::string& authid() const { return authid_; }
    // Stores the category's id and asks for its offers.
    void setAuthid(const std::string& authid);
    const std::string& fids() const { return fids_; }
    void setFids(const std::string& fids) { fids_ = fids; }
    void setUPData();

    void backBtnClick();
    // Opens the offer page of the row clicked; returns it.
    KXFontSaleBuyView* tableViewCellClick();

    int numberOfRowsInTableView(KXStoreTableView* tableView);
    double tableViewHeightOfRow(KXStoreTableView* tableView, int row);
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row);
    void tableViewClicked(KXStoreTableView* tableView);

    const foundation::Ref<foundation::MutableArray>& dataA() const { return dataA_; }
    KXStoreTableView* listTableview() const { return listTableview_; }

private:
    void setUPUI();

    std::string authid_;
    std::string fids_;
    foundation::Ref<foundation::MutableArray> dataA_;
    std::shared_ptr<KXStoreTableViewDataSource> tableSource_;
    KXStoreTableView* listTableview_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
};
