#include "Class/SearchFilter/Core/KXFilterGeometry.h"

#include <gtest/gtest.h>

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

TEST(KXFilterGeometry, DropDownButtonsFlowAndWrapAt294)
{
    // Style page: 68-wide buttons, 8 apart, from x 8.
    const auto style = dropDownButtons(DropDownPage::Style, {24, 24, 24, 24, 24});
    ASSERT_EQ(style.size(), 5u);
    EXPECT_EQ(style[0], (Rect{8, 0, 68, 24}));
    EXPECT_EQ(style[1], (Rect{84, 0, 68, 24}));
    EXPECT_EQ(style[3], (Rect{236, 0, 68, 24})) << "236 + 24 + 8 = 268 fits";
    EXPECT_EQ(style[4], (Rect{8, 34, 68, 24})) << "312 + 24 + 8 passes 294: a new line 34 lower";

    // The label's width decides: a wide label wraps where a narrow one still fits.
    const auto mixed = dropDownButtons(DropDownPage::Style, {24, 24, 24, 60});
    EXPECT_EQ(mixed[3], (Rect{8, 34, 60, 24})) << "236 + 60 + 8 > 294";
    const auto fits = dropDownButtons(DropDownPage::Style, {24, 24, 24, 50});
    EXPECT_EQ(fits[3].y, 0) << "236 + 50 + 8 = 294 fits";

    // Type page: 93-wide buttons, three to a line.
    const auto type = dropDownButtons(DropDownPage::Type, {30, 30, 30, 30});
    EXPECT_EQ(type[1], (Rect{109, 0, 93, 24}));
    EXPECT_EQ(type[2], (Rect{210, 0, 93, 24}));
    EXPECT_EQ(type[3], (Rect{8, 34, 93, 24}));
    for (const auto& button : type)
        EXPECT_LE(button.x + button.width, kDropDownWidth) << "inside the 310-wide area";

    // A label wider than a line starts at 8 on its own line, with no empty line before it.
    EXPECT_EQ(dropDownButtons(DropDownPage::Style, {300})[0], (Rect{8, 0, 300, 24}));
}

TEST(KXFilterGeometry, TheTagAreaGrowsFromSeventeenTags)
{
    EXPECT_EQ(dropDownTagAreaHeight(0), 160);
    EXPECT_EQ(dropDownTagAreaHeight(16), 160);
    EXPECT_EQ(dropDownTagAreaHeight(17), 200) << "17 div 4 lines of 40, and 40";
    EXPECT_EQ(dropDownTagAreaHeight(24), 280);
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
