#pragma once

#include "Class/SearchFilter/KXFilterCells.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"

#include <QWidget>
#include <memory>
#include <vector>

class KXFilterSelection;
class KXFilterTagGrid;

// The tag row of a filter category: a switch per tag (its tag name as title, its tag id as
// identifier), laid out as the side panel (3 to a line) or the advanced page (4 to a line) lays
// them, each showing whether the working selection holds its tag id. The switches are one view that
// paints those in sight. GUI thread only.
class KXHomeFilterViewListCell : public QWidget {
    Q_OBJECT

public:
    enum class Layout { SidePanel, AdvancedPage };

    KXHomeFilterViewListCell(Layout layout, KXFilterSelection* selection, QWidget* parent = nullptr);

    std::shared_ptr<KXHomeFilterViewListCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXHomeFilterViewListCellDelegate> delegate) { delegate_ = std::move(delegate); }

    const std::string& classStr() const { return classStr_; }
    void setClassStr(std::string classStr);
    const foundation::Ref<KXFilterTagList>& dataA() const { return dataA_; }
    // Stores the tags and shows them.
    void setDataA(foundation::Ref<KXFilterTagList> tags);
    KXFilterTagGrid* tagGrid() const { return grid_; }

    // A tag switch: its tag id.
    void tagClick(const QString& identifier);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Layout layout_;
    KXFilterSelection* selection_;
    std::weak_ptr<KXHomeFilterViewListCellDelegate> delegate_;
    std::string classStr_;
    foundation::Ref<KXFilterTagList> dataA_;
    KXFilterTagGrid* grid_ = nullptr;
};
