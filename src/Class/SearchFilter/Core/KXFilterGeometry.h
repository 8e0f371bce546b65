#pragma once

#include <cstddef>
#include <vector>

// Where the filter UIs put their rows and buttons, as pure functions of counts and measured label
// widths (the widgets measure with QFontMetricsF; tests give widths). Top-down points inside the
// row or area that holds them.
namespace KXFilterGeometry {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A collapsed category's tag row.
constexpr double kCollapsedRowHeight = 0.01;
constexpr double kTagButtonHeight = 24;

// --- Side panel: a 200-wide column; tag rows hold 3 buttons to a line, 62 apart, 58 wide, lines
// 36 apart (the rows' height formula fits; 4 at 75 would put the fourth outside the column). ---
constexpr double kSideColumnWidth = 200;
constexpr double kSideTopicRowHeight = 46;
constexpr double kSideHeaderRowHeight = 40;
// ((c - 1) div 3) x 36 + 40 for c tags (a category without tags: one empty line, 40).
double sideTagRowHeight(std::size_t tagCount, bool collapsed);
// Tag i of c: left (i mod 3) x 62 + 8, top (i div 3) x 36 + 14, 58 wide (150 when c <= 1).
Rect sideTagButton(std::size_t index, std::size_t tagCount);

// --- Advanced page (310 wide): 4 buttons to a line, 75 apart, 68 wide, lines 40 apart. ---
constexpr double kAdvancedTopicRowHeight = 90;
constexpr double kAdvancedHeaderRowHeight = 25;
double advancedTagRowHeight(std::size_t tagCount, bool collapsed);
Rect advancedTagButton(std::size_t index, std::size_t tagCount);

// The four topic buttons of a topic row `rowHeight` high in a row `rowWidth` wide: spread evenly
// from 8 at the left, vertically centred.
Rect topicButton(std::size_t index, double rowWidth, double rowHeight);

// --- Drop-down: a 310-wide area under a 40-high bar; tag pages flow from x 8 at the running x. ---
constexpr double kDropDownWidth = 310;
constexpr double kDropDownBarHeight = 40;
constexpr double kDropDownMargin = 8; // left of every line, and kept free at its right
constexpr double kDropDownLineStep = 34; // a button 24 high and 10 between lines
constexpr double kDropDownTabRoom = 23; // the close tab, 3 below the area and 20 high
enum class DropDownPage { Style, Type };
// The button's width for a label `labelWidth` wide: the style page takes the label when it is
// wider than 50, else 68; the type page takes 93 for a label wider than 60 (a label of 50 or less
// counting as 67), else 68.
double dropDownButtonWidth(DropDownPage page, double labelWidth);
// Every button of a page, at the width the page gives it: a button that would cross the area's
// right edge less 8 starts a line 34 lower at x 8; one wider than a line is cut to the line (the
// button elides its title); the next button follows 8 after this one.
std::vector<Rect> dropDownButtons(DropDownPage page, const std::vector<double>& labelWidths);
// The same flow a button at a time: a button's place depends only on those before it, so a long
// page lays out only as far as it is shown.
class DropDownFlow {
public:
    explicit DropDownFlow(DropDownPage page = DropDownPage::Style)
        : page_(page)
    {
    }
    const Rect& add(double labelWidth);
    const std::vector<Rect>& buttons() const { return buttons_; }

private:
    DropDownPage page_;
    double x_ = kDropDownMargin;
    double y_ = 0;
    std::vector<Rect> buttons_;
};
// The page's own tag area: 160 high, or (c div 4) x 40 + 40 for 17 tags or more.
double dropDownTagAreaHeight(std::size_t tagCount);
// What the buttons as laid out need: down to the last line and a line's gap below it, never lower
// than the page's own height for that many tags.
double dropDownContentHeight(const std::vector<Rect>& buttons);
// The area's height in a drop-down `dropDownHeight` high: the content, unless that would push the
// close tab past the drop-down's foot; then the area stops there (one line at least) and scrolls.
// A drop-down not laid out yet (0 high) takes the content.
double dropDownVisibleHeight(double contentHeight, double dropDownHeight);
// The eight weight buttons of the weight row, 40 high: 32 wide, 37 apart from x 8, 8 from the top.
Rect weightButton(std::size_t index);

} // namespace KXFilterGeometry
