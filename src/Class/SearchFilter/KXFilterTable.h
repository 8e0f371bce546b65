#pragma once

#include "Class/SearchFilter/Core/KXFilterCategories.h"
#include "Class/SearchFilter/KXFilterCells.h"

#include <QScrollArea>

#include <memory>
#include <set>
#include <vector>

class KXFilterSelection;

// The table of the side filter panel and of the advanced page: row 0 the topic row, then for each
// category k a header row 2k + 1 and its tag row 2k + 2 (the advanced page shows the weight
// category's tags as the weight row). Rows are laid one under the other at the heights of
// KXFilterGeometry; a collapsed category's tag row is 0.01 high and hidden. Each row is a widget,
// made only while it lies in view or within a screen of it, so a reply of thousands of categories
// costs the rows of a few screens; reloadData() makes them again from the working selection.
// GUI thread only.
class KXFilterTable : public QScrollArea {
    Q_OBJECT

public:
    enum class Kind { SidePanel, AdvancedPage };

    KXFilterTable(Kind kind, KXFilterSelection& selection, QWidget* parent = nullptr);

    void setDelegate(std::weak_ptr<KXFilterTableDelegate> delegate) { delegate_ = std::move(delegate); }
    void setCategories(std::vector<KXFilterCategory> categories) { categories_ = std::move(categories); }
    const std::vector<KXFilterCategory>& categories() const { return categories_; }

    // The collapsed categories, by their header row's number.
    const std::set<long long>& collapsed() const { return collapsed_; }
    void toggleCollapsed(long long headerRow);
    void clearCollapsed() { collapsed_.clear(); }

    int numberOfRows() const { return static_cast<int>(categories_.size() * 2 + 1); }
    double heightOfRow(int row) const;
    // The widget of a row (nullptr before the first reload and while the row is far from view).
    QWidget* rowView(int row) const;

    void reloadData();
    // The height of the row changed: the rows below move.
    void noteHeightOfRowChanged(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A click on the table's empty space stays in the table.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void layoutRows();
    // Makes the rows near the view, lets the others go, and places those made.
    void placeRows();
    QWidget* makeRow(int row);

    Kind kind_;
    KXFilterSelection& selection_;
    std::weak_ptr<KXFilterTableDelegate> delegate_;
    std::vector<KXFilterCategory> categories_;
    std::set<long long> collapsed_;
    std::vector<QWidget*> rows_; // one slot a row; nullptr for a row not made
    std::vector<double> tops_; // the top of each row, and the end
};
