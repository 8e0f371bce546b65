#include "Class/Favourites/Core/KXFolderFiling.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

Id folder(const Id& id, const char* name, std::vector<Id> fonts)
{
    return Id(foundation::Dictionary::create(
        {{Id("id"), id}, {Id("collect_name"), Id(name)}, {Id("fonts"), Id(foundation::Array::create(std::move(fonts)))}}));
}

foundation::Ref<foundation::Array> list(std::vector<Id> folders)
{
    return foundation::Array::create(std::move(folders));
}

} // namespace

TEST(KXFolderFiling, TicksFollowTheFoldersThatHoldTheFont)
{
    KXFolderFiling filing(7);
    const auto folders = list({folder(Id(1), "喜欢的字体", {Id(7)}), folder(Id("2"), "标题", {Id("7"), Id(9)}), folder(Id(3), "正文", {Id(9)})});
    filing.setFolders(folders);
    EXPECT_TRUE(filing.isTicked(folders->objectAtIndex(0)));
    EXPECT_TRUE(filing.isTicked(folders->objectAtIndex(1))) << "ids compared as integers";
    EXPECT_FALSE(filing.isTicked(folders->objectAtIndex(2)));
    EXPECT_TRUE(filing.unchanged()) << "nothing clicked: nothing to send";
    EXPECT_EQ(filing.collectIdText(), "1,2");
}

TEST(KXFolderFiling, TheFinalSetIsWhatTheBoxesShow)
{
    const auto folders = list({folder(Id(1), "喜欢的字体", {Id(7)}), folder(Id(2), "标题", {Id(7)}), folder(Id(3), "正文", {})});
    KXFolderFiling join(7);
    join.setFolders(folders);
    join.click(folders->objectAtIndex(2), true);
    EXPECT_FALSE(join.unchanged());
    EXPECT_EQ(join.collectIdText(), "1,2,3") << "a new folder for a font already in two";

    KXFolderFiling leave(7);
    leave.setFolders(folders);
    leave.click(folders->objectAtIndex(0), false);
    leave.click(folders->objectAtIndex(1), false);
    EXPECT_EQ(leave.collectIdText(), "") << "the font leaves every folder";

    KXFolderFiling twice(7);
    twice.setFolders(folders);
    twice.click(folders->objectAtIndex(2), true);
    twice.click(folders->objectAtIndex(2), false);
    EXPECT_TRUE(twice.unchanged()) << "a second click undoes the first";
    EXPECT_EQ(twice.collectIdText(), "1,2");
}

TEST(KXFolderFiling, TheLoneDefaultFolderIsTickedOnce)
{
    const auto only = list({folder(Id(10), "喜欢的字体", {})});
    KXFolderFiling filing(7);
    filing.setFolders(only);
    EXPECT_TRUE(filing.isTicked(only->objectAtIndex(0)));
    EXPECT_FALSE(filing.unchanged()) << "a plain confirm files the font there";
    filing.setFolders(only);
    EXPECT_EQ(filing.collectIdText(), "10") << "the automatic tick again changes nothing";

    KXFolderFiling already(7);
    already.setFolders(list({folder(Id(10), "喜欢的字体", {Id(7)})}));
    EXPECT_TRUE(already.unchanged()) << "already there: nothing to send";

    const auto two = list({folder(Id(10), "喜欢的字体", {}), folder(Id(11), "标题", {})});
    KXFolderFiling several(7);
    several.setFolders(two);
    EXPECT_FALSE(several.isTicked(two->objectAtIndex(0)));
}

TEST(KXFolderFiling, TheCreateItemIsNotChosen)
{
    const auto folders = list({folder(Id(1), "喜欢的字体", {}), folder(Id(5), "创建分组", {Id(7)}), folder(Id(6), "标题", {})});
    KXFolderFiling filing(7);
    filing.setFolders(folders);
    filing.click(folders->objectAtIndex(1), false);
    EXPECT_TRUE(filing.unchanged());
    EXPECT_EQ(filing.collectIdText(), "5") << "a folder of that name keeps the font it holds";
}

TEST(KXFolderFiling, ClicksSurviveANewListAndGoneFoldersDropOut)
{
    KXFolderFiling filing(7);
    filing.setFolders(nullptr);
    EXPECT_TRUE(filing.unchanged());
    filing.click(folder(Id(3), "正文", {}), true);
    filing.click(folder(Id(4), "旧的", {}), true);
    const auto arrived = list({folder(Id(1), "喜欢的字体", {Id(7), Id(7)}), folder(Id("3"), "正文", {})});
    filing.setFolders(arrived);
    EXPECT_TRUE(filing.isTicked(arrived->objectAtIndex(1))) << "kept by id, numbers and texts alike";
    EXPECT_EQ(filing.collectIdText(), "1,3") << "the font listed twice counts once; folder 4 is gone";
    EXPECT_EQ(filing.finalFolders().size(), 2u);
}

// A list read while the dialog is open (the read back of a filing whose reply was lost, which the
// service made after all) changes only the boxes the user left alone; a folder new to the list
// shows what it holds.
TEST(KXFolderFiling, AReadKeepsTheBoxesTheUserClicked)
{
    KXFolderFiling filing(7);
    const auto shown = list(
        { folder(Id(1), "喜欢的字体", {}), folder(Id(2), "标题", { Id(7) }), folder(Id(3), "正文", {}) });
    filing.setFolders(shown);
    filing.click(shown->objectAtIndex(0), true);
    filing.click(shown->objectAtIndex(1), false);

    const auto read = list({ folder(Id(1), "喜欢的字体", { Id(7) }), folder(Id(2), "标题", {}),
        folder(Id(3), "正文", { Id(7) }), folder(Id(4), "新建", {}), folder(Id(5), "新建有", { Id(7) }) });
    filing.setFolders(read);
    EXPECT_TRUE(filing.isTicked(read->objectAtIndex(0))) << "ticked by the user, and now held";
    EXPECT_FALSE(filing.isTicked(read->objectAtIndex(1))) << "unticked by the user, and now not held";
    EXPECT_TRUE(filing.isTicked(read->objectAtIndex(2))) << "untouched: shows what the folder holds";
    EXPECT_FALSE(filing.isTicked(read->objectAtIndex(3)));
    EXPECT_TRUE(filing.isTicked(read->objectAtIndex(4)));
    EXPECT_TRUE(filing.unchanged()) << "the service already holds what the boxes show";
    EXPECT_EQ(filing.collectIdText(), "1,3,5");

    // The lone default folder unticked by the user stays unticked through a later list.
    const auto only = list({ folder(Id(10), "喜欢的字体", {}) });
    KXFolderFiling lone(7);
    lone.setFolders(only);
    lone.click(only->objectAtIndex(0), false);
    lone.setFolders(list({ folder(Id(10), "喜欢的字体", {}) }));
    EXPECT_FALSE(lone.isTicked(only->objectAtIndex(0)));
    EXPECT_TRUE(lone.unchanged());
}
