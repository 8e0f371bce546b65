#pragma once

#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <memory>

class KXBaseButton;
class KXFilterTable;
class QLabel;

// The side filter panel: laid over the font list edge to edge, it shows in a 200-wide column at
// its right every filter category of the catalogue language as a titled block of tag switches,
// with the topic switches on top, "中文"/"外文" tabs and "重置". Each toggle changes the panel's
// working selection (KXFilterSelection) and is reported at once through filterViewTagsClick;
// closing the panel (its close button, or a click beside the column) stores a non-empty selection
// in filterD. Main thread only.
class KXHomeFilterView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXHomeFilterView(const QRect& frame = QRect(0, 0, 900, 700), QWidget* parent = nullptr);
    ~KXHomeFilterView() override;

    std::shared_ptr<KXHomeFilterViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXHomeFilterViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // [foreign categories, Chinese categories]; setting it rebuilds the table.
    const foundation::Ref<foundation::Array>& dataArray() const { return dataArray_; }
    void setDataArray(foundation::Ref<foundation::Array> dataArray);

    // YES shows the Chinese categories.
    bool defaultLanguage() const { return defaultLanguage_; }
    KXFilterSelection& selection() { return selection_; }
    const foundation::Ref<foundation::MutableDictionary>& tagsDD() { return selection_.tagsDD(); }

    // Row and button actions.
    void filterViewCellTagClick(const foundation::Ref<foundation::Dictionary>& tag);
    void filterViewTopicCellClick(const foundation::Ref<foundation::String>& value);
    void headArrorClick(long long groupID);
    void cnClick();
    void enClick();
    void resetClick();
    void cancelClick();

    // The views, for tests.
    QWidget* bgView() const { return bgView_; }
    KXBaseButton* cnBtn() const { return cnBtn_; }
    KXBaseButton* enBtn() const { return enBtn_; }
    KXBaseButton* selectedBtn() const { return selectedBtn_; }
    KXBaseButton* resetBtn() const { return resetBtn_; }
    KXBaseButton* closeBtn() const { return closeBtn_; }
    KXFilterTable* listTableView() const { return table_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    class Adapter;
    void setupData();
    void setupUI();
    void selectTab(KXBaseButton* tab);
    void report();

    std::weak_ptr<KXHomeFilterViewDelegate> delegate_;
    std::shared_ptr<Adapter> adapter_;
    foundation::Ref<foundation::Array> dataArray_;
    KXFilterSelection selection_;
    bool defaultLanguage_ = true;

    QWidget* bgView_ = nullptr;
    KXBaseButton* closeBtn_ = nullptr;
    QWidget* tabBar_ = nullptr;
    KXBaseButton* cnBtn_ = nullptr;
    KXBaseButton* enBtn_ = nullptr;
    KXBaseButton* selectedBtn_ = nullptr;
    KXBaseButton* resetBtn_ = nullptr;
    KXFilterTable* table_ = nullptr;
};
