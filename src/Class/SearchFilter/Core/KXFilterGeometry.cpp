#include "Class/SearchFilter/Core/KXFilterGeometry.h"

#include <algorithm>

namespace KXFilterGeometry {

namespace {

// (c - 1) div perLine, with c = 0 counting as one line (the formula's integer division of -1).
double lines(std::size_t tagCount, std::size_t perLine)
{
    return tagCount == 0 ? 0.0 : static_cast<double>((tagCount - 1) / perLine);
}

} // namespace

double sideTagRowHeight(std::size_t tagCount, bool collapsed)
{
    return collapsed ? kCollapsedRowHeight : lines(tagCount, 3) * 36 + 40;
}

Rect sideTagButton(std::size_t index, std::size_t tagCount)
{
    return {static_cast<double>(index % 3) * 62 + 8, static_cast<double>(index / 3) * 36 + 14, tagCount <= 1 ? 150.0 : 58.0,
            kTagButtonHeight};
}

double advancedTagRowHeight(std::size_t tagCount, bool collapsed)
{
    return collapsed ? kCollapsedRowHeight : lines(tagCount, 4) * 40 + 40;
}

Rect advancedTagButton(std::size_t index, std::size_t tagCount)
{
    return {static_cast<double>(index % 4) * 75 + 8, static_cast<double>(index / 4) * 40 + 14, tagCount <= 1 ? 150.0 : 68.0,
            kTagButtonHeight};
}

Rect topicButton(std::size_t index, double rowWidth, double rowHeight)
{
    const double pitch = (rowWidth - 16) / 4;
    return {8 + static_cast<double>(index) * pitch, (rowHeight - kTagButtonHeight) / 2, pitch - 6, kTagButtonHeight};
}

double dropDownButtonWidth(DropDownPage page, double labelWidth)
{
    if (page == DropDownPage::Style)
        return labelWidth > 50 ? labelWidth : 68;
    const double counted = labelWidth > 50 ? labelWidth : 67;
    return counted > 60 ? 93 : 68;
}

const Rect& DropDownFlow::add(double labelWidth)
{
    const double right = kDropDownWidth - kDropDownMargin;
    const double width = std::min(dropDownButtonWidth(page_, labelWidth), right - kDropDownMargin);
    if (x_ + width > right && x_ > kDropDownMargin) {
        y_ += kDropDownLineStep;
        x_ = kDropDownMargin;
    }
    buttons_.push_back({ x_, y_, width, kTagButtonHeight });
    x_ += width + 8;
    return buttons_.back();
}

std::vector<Rect> dropDownButtons(DropDownPage page, const std::vector<double>& labelWidths)
{
    DropDownFlow flow(page);
    for (const double label : labelWidths)
        flow.add(label);
    return flow.buttons();
}

double dropDownTagAreaHeight(std::size_t tagCount)
{
    return tagCount >= 17 ? static_cast<double>(tagCount / 4) * 40 + 40 : 160;
}

double dropDownContentHeight(const std::vector<Rect>& buttons)
{
    double bottom = 0;
    for (const Rect& button : buttons)
        bottom = std::max(bottom, button.y + button.height + kDropDownLineStep - kTagButtonHeight);
    return std::max(bottom, dropDownTagAreaHeight(buttons.size()));
}

double dropDownVisibleHeight(double contentHeight, double dropDownHeight)
{
    if (dropDownHeight <= 0)
        return contentHeight;
    const double room = std::max(dropDownHeight - kDropDownBarHeight - kDropDownTabRoom, kDropDownLineStep);
    return std::min(contentHeight, room);
}

Rect weightButton(std::size_t index)
{
    return {8 + static_cast<double>(index) * 37, 8, 32, kTagButtonHeight};
}

} // namespace KXFilterGeometry
