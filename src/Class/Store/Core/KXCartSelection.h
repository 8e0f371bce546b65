#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

// The cart panel's ticks without widgets: the rows' font ids, the ticked ids in the order they
// were ticked (row order after select all), the select-all box, the count text and the manage
// mode, which the two button titles carry. Rows show what this holds, whichever row view draws
// them. Main thread only.
class KXCartSelection {
public:
    // New rows: the ticks are left as they were until select all runs.
    void setRows(std::vector<int> fontids);
    // Rows read from elsewhere while the person works on the panel: rows still there keep their
    // ticks, rows new to the panel come ticked (as every row does at an opening), rows gone lose
    // theirs; the select-all box follows.
    void followRows(std::vector<int> fontids);
    const std::vector<int>& rows() const { return rows_; }

    const std::vector<int>& selectedArray() const { return selected_; }
    bool isTicked(int fontid) const;
    bool isAllSelected() const { return allSelected_; }

    // The select-all box's action, after the box took `on`: without rows nothing happens (false);
    // otherwise the ticks start afresh, every row ticked in row order when on.
    bool setAllSelected(bool on);
    // A row's box changed: a tick appends the id, an untick removes every equal id; the select-
    // all box follows (on when every row is ticked, off otherwise).
    void tick(int fontid, bool ticked);
    // No tick at all (after a removal was confirmed); the select-all box goes off with them, as
    // a failed removal leaves the panel so.
    void clear();
    // Unticks the ids that `present` lacks (fonts that left the catalogue); returns how many.
    std::size_t untickMissing(const std::unordered_set<int>& present);
    // The ticked ids joined with ",".
    std::string selectedIDs() const;

    std::string countText() const; // "已选%zd款"

    // Manage mode: browse ("购买", "管理") or manage ("删除", "完成"); the ticks stay.
    bool isManaging() const { return managing_; }
    void toggleManaging() { managing_ = !managing_; }
    std::string buyTitle() const;
    std::string manageTitle() const;

private:
    void followSelectAll();

    std::vector<int> rows_;
    std::vector<int> selected_;
    bool allSelected_ = false;
    bool managing_ = false;
};
