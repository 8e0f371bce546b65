// The session's lists against an in-process local service: what a load stores, and the races a
// slow reply makes (a list asked for before a change, a reply after the user signed out).
#include "Class/Favourites/Core/KXFolderSession.h"

#include "Class/Favourites/Core/KXReplyGate.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using localservice::Fault;

namespace {

class KXFolderSessionTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        KXFolderSession::installReaders();
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        const auto outcome = run([](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
        });
        setDefault("token", outcome.reply["corvane_data"]["token"]);
        service().requestLog().clear();
    }
    void TearDown() override
    {
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        TransportTest::TearDown();
    }

    static std::vector<std::string> names(const foundation::Ref<foundation::Array>& folders)
    {
        std::vector<std::string> out;
        if (folders)
            for (const Id& folder : *folders)
                out.push_back(folder["collect_name"].stringValue());
        return out;
    }

    static std::string createFolder(const char* name)
    {
        const auto created = run([name](auto success, auto failure) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), success, failure); });
        return created.reply["corvane_data"]["id"].stringValue();
    }
};

} // namespace

TEST_F(KXFolderSessionTest, ALoadStoresTheFoldersAndTheirFavourites)
{
    std::vector<std::string> shown;
    KXFolderSession::reloadFolders([&](const auto& list) { shown = names(list); });
    ASSERT_TRUE(waitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown[0], "喜欢的字体");
    const auto stored = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    EXPECT_EQ(names(stored), shown);
    const auto firstFont = stored->objectAtIndex(0)["fonts"][0].integerValue();
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(firstFont));
    EXPECT_EQ(service().requestLog().withTag("137").size(), 1u);
}

TEST_F(KXFolderSessionTest, ASlowListAskedBeforeAChangeDoesNotBringTheOldListBack)
{
    holdNextReply("getMyCollect");
    std::vector<std::vector<std::string>> shown;
    KXFolderSession::reloadFolders([&](const auto& list) { shown.push_back(names(list)); });
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 1; }));
    const std::string created = createFolder("稍后的列表");
    ASSERT_FALSE(created.empty());
    KXFolderSession::reloadFolders([&](const auto& list) { shown.push_back(names(list)); });
    ASSERT_TRUE(waitFor([&] { return shown.size() == 1; }));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return shown.size() == 2; }));
    const auto newest = shown[0];
    EXPECT_EQ(newest.back(), "稍后的列表") << "the second request answered first";
    EXPECT_EQ(shown[1], newest) << "the late reply shows the newer list, not its own";
    EXPECT_EQ(names(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()), newest);

    // A slow list asked before a delete the client stored itself: it is asked again, so the
    // deleted folder does not come back.
    holdNextReply("getMyCollect");
    std::vector<std::string> afterDelete;
    KXFolderSession::reloadFolders([&](const auto& list) { afterDelete = names(list); });
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 3; }));
    const auto deleted = run([&](auto success, auto failure) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(created), success, failure); });
    ASSERT_EQ(deleted.reply["errcode"].integerValue(), 0);
    auto withoutCreated = KXFolderSession::folders();
    withoutCreated->removeLastObject();
    KXFolderSession::storeChangedFolders(withoutCreated);
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return !afterDelete.empty(); }));
    EXPECT_EQ(service().requestLog().withTag("137").size(), 4u) << "asked again";
    EXPECT_EQ(afterDelete.size(), newest.size() - 1);
    EXPECT_EQ(names(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()), afterDelete);
}

// Every view of the folders hears of each new list stored, and finds it stored when it hears.
TEST_F(KXFolderSessionTest, EachStoredListIsAnnouncedAndNothingElse)
{
    std::vector<std::vector<std::string>> heard;
    const auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXFolderSession::kFoldersStored, Id(), nullptr,
        [&](const dispatch::Notification&) { heard.push_back(names(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo())); });
    bool loaded = false;
    KXFolderSession::reloadFolders([&](const auto&) { loaded = true; });
    ASSERT_TRUE(waitFor([&] { return loaded; }));
    ASSERT_EQ(heard.size(), 1u) << "an admitted load";
    EXPECT_EQ(heard[0].front(), "喜欢的字体");

    auto fewer = KXFolderSession::folders();
    fewer->removeLastObject();
    KXFolderSession::storeChangedFolders(fewer);
    ASSERT_EQ(heard.size(), 2u) << "a change the client made";
    EXPECT_EQ(heard[1].size(), heard[0].size() - 1);

    holdNextReply("getMyCollect");
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 2; }));
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(heard.size(), 2u) << "a reply of a former session stores nothing";
}

TEST_F(KXFolderSessionTest, RepliesAfterASignOutFillNothing)
{
    holdNextReply("getMyCollect", 2);
    bool shown = false;
    KXFolderSession::reloadFolders([&](const auto&) { shown = true; });
    KXFolderSession::reloadFollows([&](const auto&) { shown = true; });
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 2; }));
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    ASSERT_TRUE(releaseHeldReplies(2));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(shown);
    EXPECT_EQ(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo(), nullptr);
    EXPECT_EQ(KXUserCenterConfig::sharedKXUserCenterConfig().followsArray(), nullptr);
}

TEST_F(KXFolderSessionTest, FollowsAreStoredOnlyFromAcceptedReplies)
{
    std::size_t follows = 0;
    KXFolderSession::reloadFollows([&](const auto& list) { follows = list->count(); });
    ASSERT_TRUE(waitFor([&] { return follows > 0; }));
    EXPECT_EQ(KXUserCenterConfig::sharedKXUserCenterConfig().followsArray()->count(), follows);

    setFault("getMyCollect", Fault::Kind::ErrorCode, 1, "refused");
    bool called = false;
    KXFolderSession::reloadFollows([&](const auto&) { called = true; });
    KXFolderSession::reloadFolders([&](const auto&) { called = true; });
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 3; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(called);
    EXPECT_EQ(KXUserCenterConfig::sharedKXUserCenterConfig().followsArray()->count(), follows) << "kept";
}
