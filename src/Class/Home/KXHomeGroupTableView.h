#pragma once

#include <QListView>

#include <functional>

class KXHomeGroupModel;

// A side table of the left menu: a list of 25-point rows over a KXHomeGroupModel, drawn by a
// KXHomeGroupCell. A left click selects the row under the pointer (or nothing over empty space)
// and then runs the table's action, as the platform's table does on the button's release; a right
// click only records the clicked row and opens the context menu, leaving the selection alone.
// Main thread only.
class KXHomeGroupTableView : public QListView {
    Q_OBJECT

public:
    // The followed-collection table's tag.
    static constexpr int kFollowTag = 2222;

    using Action = std::function<void(KXHomeGroupTableView* table)>;

    explicit KXHomeGroupTableView(QWidget* parent = nullptr);

    KXHomeGroupModel* groupModel() const;
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void setAction(Action action) { action_ = std::move(action); }

    // The row under the pointer at the last press, -1 over empty space.
    int clickedRow() const { return clickedRow_; }
    void setClickedRow(int row) { clickedRow_ = row; }
    // The selected row, -1 without one.
    int selectedRow() const;
    // Selects one row (the rest of the selection goes); -1 selects nothing.
    void selectRow(int row);
    // Draws one row again from its dictionary and the selection rule.
    void reloadRow(int row);
    void reloadData();
    // Runs the action as a click on `row` would (tests and callers that select first).
    void performClick(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int tag_ = 0;
    int clickedRow_ = -1;
    bool pressedLeft_ = false;
    Action action_;
};
