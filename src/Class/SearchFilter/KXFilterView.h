#pragma once

#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/SearchFilter/Core/KXFilterCategories.h"
#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/SearchFilter/KXAdvancedFilterView.h"
#include "Class/SearchFilter/KXFilterCells.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class KXBaseButton;
class KXFilterFontWeighCell;
class LCConstraintMaker;
class QLabel;
class QScrollArea;

// The drop-down filter under the font list's toolbar: a veil (black, alpha 0.2) over the list and,
// 310 wide at the list's edge on the side of the button that opened it, a bar ("风格选项" or
// "字重选项", "全部", "清除") over a white tag area with a close tab under it. Page 1 shows the style category's tags (category 0), page 3 the type
// category's (category 2), page 2 the weight row (the category named "字重"), page 4 the advanced
// page. The tag area is as high as its lines and scrolls where it would reach below the
// drop-down. Every change toggles the working selection, stores it in filterD at once and is
// reported through filterViewTagsClick. A click on the veil or the close tab closes it. Main thread
// only.
class KXFilterView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXFilterView(QWidget* parent = nullptr);
    ~KXFilterView() override;

    std::shared_ptr<KXFilterViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXFilterViewDelegate> delegate) { delegate_ = std::move(delegate); }
    const foundation::Ref<foundation::Array>& dataArray() const { return dataArray_; }
    void setDataArray(foundation::Ref<foundation::Array> dataArray) { dataArray_ = std::move(dataArray); }

    // The button that opened it: the pages open at the edge on its side. Set before a page shows.
    void setOpener(QWidget* opener) { opener_ = opener; }

    // Shows page 1 to 4; any other number shows nothing more.
    void selectedFilterType(long long type);
    long long seletedType() const { return seletedType_; }
    const std::string& classStr() const { return classStr_; }
    KXFilterSelection& selection() { return selection_; }
    const foundation::Ref<foundation::MutableDictionary>& tagsDD() { return selection_.tagsDD(); }

    // Actions.
    // A tag switch of page 1 or 3: its tag id.
    void tagClick(const QString& identifier);
    void allSelectedBtnClick();
    void clearSelectedBtnClick();
    void filterviewCloseClick();
    void KXFilterFontWeighCellBtnClick(const foundation::Ref<foundation::Dictionary>& tag);
    // From the advanced page: its selection becomes the drop-down's, and goes to the list.
    void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags);

    // The views, for tests.
    QWidget* topAreaView() const { return topAreaView_; }
    QLabel* titleLabel() const { return titleLabel_; }
    KXBaseButton* allSelectedBtn() const { return allSelectedBtn_; }
    KXBaseButton* clearSelectedBtn() const { return clearSelectedBtn_; }
    QWidget* bgView() const { return bgView_; }
    // What the tag area scrolls when its tags reach below the drop-down.
    QScrollArea* tagScrollView() const { return tagScrollView_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    // The tag switches of page 1 or 3 (nullptr on the other pages). A long page lays its tags out
    // as it scrolls: the grid's laidOut() grows as the area nears their end.
    KXFilterTagGrid* tagGrid() const { return tagGrid_.data(); }
    KXFilterFontWeighCell* weightCell() const { return weightCell_; }
    KXAdvancedFilterView* advancedView() const { return advancedView_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class Adapter;
    void pinBesideOpener(LCConstraintMaker& make) const;
    void makeTopArea();
    void showTagPage(std::size_t position, KXFilterGeometry::DropDownPage page);
    void showWeightPage();
    void showAdvancedPage();
    void clearTagArea();
    void setTagContentHeight(double height);
    // Lays the shown page's tags out until one starts below `y` (or all are), and grows the area.
    void layOutTagsUntil(double y);
    double tagContentHeight() const;
    void fitTagArea();
    void store();
    void report();

    std::weak_ptr<KXFilterViewDelegate> delegate_;
    std::shared_ptr<Adapter> adapter_;
    foundation::Ref<foundation::Array> dataArray_;
    KXFilterSelection selection_;
    long long seletedType_ = 0;
    std::string classStr_;

    QWidget* topAreaView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    KXBaseButton* allSelectedBtn_ = nullptr;
    KXBaseButton* clearSelectedBtn_ = nullptr;
    QWidget* bgView_ = nullptr;
    QScrollArea* tagScrollView_ = nullptr;
    QWidget* tagsView_ = nullptr;
    double tagContentHeight_ = 0;
    QPointer<KXFilterTagGrid> tagGrid_;
    KXFilterGeometry::DropDownFlow tagFlow_;
    // The shown page's tags.
    foundation::Ref<KXFilterTagList> pageTags_;
    KXBaseButton* cancelBtn_ = nullptr;
    KXFilterFontWeighCell* weightCell_ = nullptr;
    QPointer<KXAdvancedFilterView> advancedView_;
    QPointer<QWidget> opener_;
};
