#include "Class/Account/Core/KXPersonalCenterModel.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

using foundation::Array;
using foundation::Dictionary;
using foundation::Id;

namespace {

Id folder(long long id, const Id& isPublish)
{
    return Id(Dictionary::create({{Id("id"), Id(id)}, {Id("is_publish"), isPublish}}));
}

} // namespace

TEST(KXPersonalCenterModel, TheUnpaidBadge)
{
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id(0)), std::nullopt);
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id(-2)), std::nullopt);
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id()), std::nullopt) << "no count, no badge";
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id(3)), "3");
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id("3")), "3") << "a count sent as text";
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id(9999)), "") << "9999: an empty badge";
    EXPECT_EQ(KXPersonalCenterModel::unpaidBadgeText(Id(10000)), "10000");
}

TEST(KXPersonalCenterModel, ACounterShowsOnlyAFigureTheReplyGave)
{
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id(0)), "0") << "a real zero is a figure";
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id(12)), "12");
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id("7")), "7") << "a figure sent as text";
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id()), std::nullopt) << "missing";
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id(foundation::Null::null())), std::nullopt);
    EXPECT_EQ(KXPersonalCenterModel::figureText(Id("")), std::nullopt);
}

TEST(KXPersonalCenterModel, PublishedFoldersKeepTheirOrderAndOnlyState2OpensItsDetail)
{
    const Id folders(Array::create({folder(1, Id(0)), folder(2, Id(1)), folder(3, Id("2")), folder(4, Id(3)), Id("not a folder")}));
    const Id published(KXPersonalCenterModel::publishedCollections(folders));
    ASSERT_EQ(published.count(), 3u);
    EXPECT_EQ(published[0]["id"].integerValue(), 2);
    EXPECT_EQ(published[1]["id"].integerValue(), 3);
    EXPECT_EQ(published[2]["id"].integerValue(), 4);
    EXPECT_EQ(KXPersonalCenterModel::publishedCountText(published.count()), "发布了3个收藏");
    EXPECT_FALSE(KXPersonalCenterModel::opensDetail(published[0]));
    EXPECT_TRUE(KXPersonalCenterModel::opensDetail(published[1]));
    EXPECT_FALSE(KXPersonalCenterModel::opensDetail(published[2]));
    EXPECT_EQ(KXPersonalCenterModel::publishedCollections(Id())->count(), 0u);
}

TEST(KXPersonalCenterModel, VipPrivilegesTurnEscapedParagraphBreaksIntoRealOnes)
{
    const auto text = [](const char* content) {
        return KXPersonalCenterModel::vipPrivilegesText(Id(Dictionary::create({{Id("content"), Id(content)}})));
    };
    EXPECT_EQ(text(R"(免费字体\r\n\r\n商用授权)"), "免费字体\r\n\r\n商用授权");
    EXPECT_EQ(text(R"(one\r\ntwo)"), R"(one\r\ntwo)") << "a single escaped pair stays as it is";
    EXPECT_EQ(text(R"(a\r\n\r\n\r\n\r\nb)"), "a\r\n\r\n\r\n\r\nb");
    EXPECT_EQ(KXPersonalCenterModel::vipPrivilegesText(Id()), "") << "no VIP record, no text";
}

TEST(KXPersonalCenterModel, VersionAndVipFollowTheUserDefaults)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("3.2.0"), "appVersion");
    EXPECT_EQ(KXPersonalCenterModel::versionText(), "版本V3.2.0");
    defaults.removeObjectForKey("vip_type");
    EXPECT_FALSE(KXPersonalCenterModel::isVip());
    defaults.setObject(Id(""), "vip_type");
    EXPECT_FALSE(KXPersonalCenterModel::isVip());
    defaults.setObject(Id("1"), "vip_type");
    EXPECT_TRUE(KXPersonalCenterModel::isVip());
    defaults.removeObjectForKey("vip_type");
}
