#pragma once

#include <cstddef>

// The two side tables of the left menu fold open and shut like an accordion, one at a time: the
// favourite folders under "收藏的字体" and the followed collections under "关注的合集". A closed
// table's scroll view is 0 high; an open one shows up to six rows of 25 and scrolls the rest.
// The hub lays the scroll views out at these heights where the window leaves room for them, and
// no lower than two rows.
class KXSideTableAccordion {
public:
    static constexpr double kRowHeight = 25;
    static constexpr std::size_t kVisibleRows = 6;
    // What an open table keeps of its height when the window is too short for all of it.
    static constexpr std::size_t kLeastVisibleRows = 2;

    // The scroll view's height for an open table of `rows` rows.
    static double openHeight(std::size_t rows);
    // The least height an open scroll view of `openHeight` may shrink to.
    static double leastHeight(double openHeight);
    // The height of the table inside its scroll view.
    static double tableHeight(std::size_t rows);

    double collectionHeight() const { return collectionHeight_; }
    double followHeight() const { return followHeight_; }
    bool isCollectionOpen() const { return collectionHeight_ != 0; }
    bool isFollowOpen() const { return followHeight_ != 0; }

    // The folder table's control: closes an open folder table, else opens it for `folders` rows
    // and closes the followed table.
    void toggleCollection(std::size_t folders);
    // The followed table's control, the same the other way round.
    void toggleFollow(std::size_t followed);
    // The rows changed: an open table takes the height of its new row count.
    void rowsChanged(std::size_t folders, std::size_t followed);
    void closeBoth();

private:
    double collectionHeight_ = 0;
    double followHeight_ = 0;
};
