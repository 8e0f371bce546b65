#include "Class/SearchFilter/Core/KXFilterGeometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace KXFilterGeometry;

TEST(KXFilterGeometry, DropDownWidthsFollowTheLabel)
{
    // 50 or less: 68 on the style page, 93 on the type page; 55: itself and 68; 70: itself and 93.
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Style, 50), 68);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Type, 50), 93);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Style, 24), 68);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Type, 24), 93);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Style, 55), 55);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Type, 55), 68);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Style, 70), 70);
    EXPECT_EQ(dropDownButtonWidth(DropDownPage::Type, 70), 93);
}

TEST(KXFilterGeometry, DropDownButtonsWrapByTheirOwnWidth)
{
    // Style page: 68-wide buttons, 8 apart, from x 8; a fourth would end at 304, past 310 - 8.
    const auto style = dropDownButtons(DropDownPage::Style, {24, 24, 24, 24, 24});
    ASSERT_EQ(style.size(), 5u);
    EXPECT_EQ(style[0], (Rect{8, 0, 68, 24}));
    EXPECT_EQ(style[1], (Rect{84, 0, 68, 24}));
    EXPECT_EQ(style[2], (Rect{160, 0, 68, 24}));
    EXPECT_EQ(style[3], (Rect{8, 34, 68, 24})) << "a new line 34 lower";
    EXPECT_EQ(dropDownButtons(DropDownPage::Style, {24, 24, 24, 64})[3], (Rect{236, 0, 64, 24})) << "ends at 300";

    // Type page: three short labels get 68, a 20-wide one 93, which no longer fits after them.
    const auto type = dropDownButtons(DropDownPage::Type, {55, 55, 55, 20});
    EXPECT_EQ(type[2], (Rect{160, 0, 68, 24}));
    EXPECT_EQ(type[3], (Rect{8, 34, 93, 24}));
    const auto wide = dropDownButtons(DropDownPage::Type, {30, 30, 30});
    EXPECT_EQ(wide[1], (Rect{109, 0, 93, 24}));
    EXPECT_EQ(wide[2], (Rect{8, 34, 93, 24})) << "a third would end at 303";

    // A label wider than a line starts at 8 on its own line, cut to the line (its title elided).
    EXPECT_EQ(dropDownButtons(DropDownPage::Style, {300})[0], (Rect{8, 0, 294, 24}));
    const auto after = dropDownButtons(DropDownPage::Style, {30, 400, 30});
    EXPECT_EQ(after[1], (Rect{8, 34, 294, 24}));
    EXPECT_EQ(after[2], (Rect{8, 68, 68, 24}));
    EXPECT_EQ(dropDownButtons(DropDownPage::Type, {400})[0], (Rect{8, 0, 93, 24})) << "the type page stays at 93";
}

TEST(KXFilterGeometry, EveryDropDownButtonLiesInsideTheArea)
{
    // Short, long, the type page's 55/20 mix and labels wider than a line, on both pages.
    const std::vector<std::vector<double>> kinds = {{24}, {140}, {55, 55, 55, 20}, {24, 400, 70}};
    for (const DropDownPage page : {DropDownPage::Style, DropDownPage::Type}) {
        for (const std::size_t count : {1u, 4u, 16u, 19u, 40u}) {
            for (const auto& kind : kinds) {
                std::vector<double> labels;
                for (std::size_t i = 0; i < count; ++i)
                    labels.push_back(kind[i % kind.size()]);
                const auto buttons = dropDownButtons(page, labels);
                ASSERT_EQ(buttons.size(), count);
                const double height = dropDownContentHeight(buttons);
                EXPECT_GE(height, dropDownTagAreaHeight(count)) << "never lower than the page starts";
                for (std::size_t i = 0; i < count; ++i) {
                    const Rect& button = buttons[i];
                    const std::string where = std::string(page == DropDownPage::Style ? "style, " : "type, ") + std::to_string(count)
                                              + " tags of " + std::to_string(kind.front()) + ", tag " + std::to_string(i);
                    EXPECT_GE(button.x, 8) << where;
                    EXPECT_LE(button.x + button.width, kDropDownWidth - 8) << where;
                    EXPECT_LE(button.y + button.height, height) << where;
                    if (i == 0)
                        continue;
                    const Rect& previous = buttons[i - 1];
                    if (button.y == previous.y) {
                        EXPECT_GE(button.x, previous.x + previous.width + 8) << where << " overlaps";
                    } else {
                        EXPECT_EQ(button.y, previous.y + kDropDownLineStep) << where;
                    }
                }
            }
        }
    }
}

TEST(KXFilterGeometry, TheTagAreaIsAsHighAsItsLines)
{
    // The page's own height: 160, or (c div 4) x 40 + 40 from 17 tags on.
    EXPECT_EQ(dropDownTagAreaHeight(0), 160);
    EXPECT_EQ(dropDownTagAreaHeight(16), 160);
    EXPECT_EQ(dropDownTagAreaHeight(17), 200) << "17 div 4 lines of 40, and 40";
    EXPECT_EQ(dropDownTagAreaHeight(24), 280);

    // 16 short type tags make 8 lines of two (the last ends at 262); 19 make 10 (ending at 330).
    EXPECT_EQ(dropDownContentHeight(dropDownButtons(DropDownPage::Type, std::vector<double>(16, 24))), 272);
    EXPECT_EQ(dropDownContentHeight(dropDownButtons(DropDownPage::Type, std::vector<double>(19, 24))), 340);
    EXPECT_EQ(dropDownContentHeight(dropDownButtons(DropDownPage::Style, std::vector<double>(4, 24))), 160);
    EXPECT_EQ(dropDownContentHeight({}), 160);

    // Shown under the 40-high bar with the 23 of the close tab below it; past the foot it scrolls.
    EXPECT_EQ(dropDownVisibleHeight(204, 619), 204);
    EXPECT_EQ(dropDownVisibleHeight(1400, 619), 556);
    EXPECT_EQ(dropDownVisibleHeight(1400, 80), kDropDownLineStep) << "at least one line shows";
    EXPECT_EQ(dropDownVisibleHeight(300, 0), 300) << "not laid out yet";
}

TEST(KXFilterGeometry, SidePanelRowsHoldThreeButtonsInsideTheColumn)
{
    EXPECT_EQ(sideTagRowHeight(1, false), 40);
    EXPECT_EQ(sideTagRowHeight(3, false), 40);
    EXPECT_EQ(sideTagRowHeight(4, false), 76);
    EXPECT_EQ(sideTagRowHeight(7, false), 112);
    EXPECT_EQ(sideTagRowHeight(0, false), 40) << "a category without tags keeps one empty line";
    EXPECT_EQ(sideTagRowHeight(7, true), 0.01);

    EXPECT_EQ(sideTagButton(0, 1), (Rect{8, 14, 150, 24})) << "a lone tag is 150 wide";
    EXPECT_EQ(sideTagButton(0, 5), (Rect{8, 14, 58, 24}));
    EXPECT_EQ(sideTagButton(2, 5), (Rect{132, 14, 58, 24}));
    EXPECT_EQ(sideTagButton(4, 5), (Rect{70, 50, 58, 24}));
    for (std::size_t count : {2u, 7u, 12u}) {
        const double height = sideTagRowHeight(count, false);
        for (std::size_t i = 0; i < count; ++i) {
            const Rect button = sideTagButton(i, count);
            EXPECT_LE(button.x + button.width, kSideColumnWidth);
            EXPECT_LE(button.y + button.height, height) << count << " tags, tag " << i;
        }
    }
}

TEST(KXFilterGeometry, AdvancedRowsHoldFourButtons)
{
    EXPECT_EQ(advancedTagRowHeight(4, false), 40);
    EXPECT_EQ(advancedTagRowHeight(5, false), 80);
    EXPECT_EQ(advancedTagRowHeight(8, false), 80);
    EXPECT_EQ(advancedTagRowHeight(9, true), 0.01);
    EXPECT_EQ(advancedTagButton(3, 8), (Rect{233, 14, 68, 24}));
    EXPECT_EQ(advancedTagButton(4, 8), (Rect{8, 54, 68, 24}));
    EXPECT_EQ(advancedTagButton(0, 1).width, 150);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_LE(weightButton(i).x + weightButton(i).width, kDropDownWidth);
        EXPECT_LE(topicButton(i % 4, kSideColumnWidth, kSideTopicRowHeight).x + topicButton(i % 4, kSideColumnWidth, kSideTopicRowHeight).width,
                  kSideColumnWidth);
    }
}
