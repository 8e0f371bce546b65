#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/Theme/KXThemeManager.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/LimitedChild.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using foundation::Dictionary;
using foundation::Id;
using foundation::MutableArray;

namespace {

const std::filesystem::path& archivePath()
{
    static const auto path = foundation::Paths::cacheDirectory() / "kxData" / "userInfo" / "userInfo";
    return path;
}

foundation::Ref<Dictionary> record(const Id& vipType)
{
    auto user = foundation::MutableDictionary::create({{Id("token"), Id("t-1")}, {Id("uname"), Id("demo")},
        {Id("shop_url"), Id("https://shop.test/")}, {Id("heartbeat_url"), Id("https://beat.test/")}});
    if (!vipType.isNil())
        user->setObject(vipType, Id("vip_type"));
    return user;
}

class KXUserCenterConfigTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The VIP rule comes from the shared catalogue, a copy of the sample one.
        cataloguetest::sampleCatalogue();
        KXBaseDBManager::shareDBManager();
    }
    void SetUp() override
    {
        KXThemeManager::themeManager().setIsNight(false);
        signOut();
    }
    void TearDown() override { signOut(); }
    static void signOut()
    {
        auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
        session.removeUserInfo();
        session.setIsAutologin(false);
        session.setVipinfo(nullptr);
    }

    KXUserCenterConfig& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
};

} // namespace

TEST_F(KXUserCenterConfigTest, SignedInIsAnyStoredToken)
{
    EXPECT_FALSE(session.islogin());
    defaults.setObject(Id(""), "token");
    EXPECT_TRUE(session.islogin()) << "an empty token counts";
    session.setIslogin(false);
    EXPECT_TRUE(session.islogin()) << "the stored flag is not consulted";
}

TEST_F(KXUserCenterConfigTest, SignInWithoutAutomaticSignInKeepsNothingOnDisk)
{
    const auto user = record(Id("1"));
    session.setUpUserconfigWithInfo(user);
    ASSERT_TRUE(session.userinfo());
    EXPECT_TRUE(Id(session.userinfo()).isEqual(Id(user)));
    EXPECT_NE(session.userinfo().get(), user.get()) << "a copy of the record";
    EXPECT_EQ(defaults.stringForKey("vip_type")->utf8(), "1");
    EXPECT_EQ(defaults.stringForKey("my_shop_url")->utf8(), "https://shop.test/");
    EXPECT_EQ(defaults.stringForKey("my_heartbeat_url")->utf8(), "https://beat.test/");
    EXPECT_FALSE(std::filesystem::exists(archivePath()));

    session.setUserinfo(nullptr); // as after a restart
    EXPECT_FALSE(session.userinfo());
}

TEST_F(KXUserCenterConfigTest, AutomaticSignInArchivesTheRecord)
{
    session.setIsAutologin(true);
    const auto user = record(nullptr);
    session.setUpUserconfigWithInfo(user);
    ASSERT_TRUE(std::filesystem::is_regular_file(archivePath()));
    EXPECT_TRUE(KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("userInfo")).isEqual(Id(user)));
    session.setUserinfo(nullptr);
    const auto restored = session.userinfo();
    ASSERT_TRUE(restored);
    EXPECT_TRUE(Id(restored).isEqual(Id(user)));
    EXPECT_TRUE(Id(restored).is<foundation::MutableDictionary>());
}

TEST_F(KXUserCenterConfigTest, VipSignInLoadsTheRuleAndTheCartIcon)
{
    auto& theme = KXThemeManager::themeManager();
    theme.setIsNight(false);
    session.setUpUserconfigWithInfo(record(Id("2")));
    const std::string rule = cataloguetest::textOf(KXBaseDBManager::shareDBManager().catalogueFile(),
        "SELECT rule FROM fp_vip_rule WHERE vip_type = '2'");
    ASSERT_FALSE(rule.empty());
    ASSERT_TRUE(session.vipinfo());
    EXPECT_EQ(Id(session.vipinfo())["rule"].stringValue(), rule);
    EXPECT_EQ(theme.buyCartsImgstr().value_or(""), "vipfontCartDay") << "the palette is applied after vip_type is stored";

    // A later sign-in without a VIP type removes the key but keeps the rule.
    const auto previous = session.vipinfo();
    session.setUpUserconfigWithInfo(record(nullptr));
    EXPECT_TRUE(defaults.objectForKey("vip_type").isNil());
    EXPECT_EQ(session.vipinfo(), previous);
    EXPECT_EQ(theme.buyCartsImgstr().value_or(""), "fontCartDay");

    // Values that are no text remove the key; a quote in the type finds no rule.
    session.setUpUserconfigWithInfo(record(Id(foundation::Null::null())));
    EXPECT_TRUE(defaults.objectForKey("vip_type").isNil());
    session.setUpUserconfigWithInfo(record(Id("2' OR '1'='1")));
    ASSERT_TRUE(session.vipinfo());
    EXPECT_EQ(session.vipinfo()->count(), 0u);
}

TEST_F(KXUserCenterConfigTest, AnythingButADictionaryIsIgnored)
{
    session.setUpUserconfigWithInfo(record(Id("1")));
    const auto before = session.userinfo();
    session.setUpUserconfigWithInfo(MutableArray::create({Id(record(Id("2")))}));
    session.setUpUserconfigWithInfo(nullptr);
    EXPECT_EQ(session.userinfo(), before);
    EXPECT_EQ(defaults.stringForKey("vip_type")->utf8(), "1");
}

TEST_F(KXUserCenterConfigTest, FavouriteIndexFollowsEveryFolderListWritten)
{
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    auto folder = [](const Id& id, std::initializer_list<Id> fonts) {
        return Id(foundation::MutableDictionary::create({{Id("id"), id}, {Id("fonts"), Id(MutableArray::create(fonts))}}));
    };
    // Ids come as texts or numbers; a folder without fonts and one whose list is no array count nothing.
    auto folders = MutableArray::create({folder(Id("1"), {Id("101"), Id(102)}), folder(Id("2"), {}),
                                         Id(foundation::MutableDictionary::create({{Id("fonts"), Id("103")}}))});
    session.setGroupsInfo(folders);
    EXPECT_TRUE(session.isCollected(101));
    EXPECT_TRUE(session.isCollected(102));
    EXPECT_FALSE(session.isCollected(103));
    EXPECT_FALSE(session.isCollected(0));

    // The stored list is a copy: changing the caller's array later does not reach the index or
    // the list handed out.
    folders->addObject(folder(Id("3"), {Id("104")}));
    EXPECT_FALSE(session.isCollected(104));
    EXPECT_EQ(session.groupsInfo()->count(), 3u);
    EXPECT_FALSE(session.groupsInfo()->isKindOfClass(MutableArray::classObject()));

    session.setGroupsInfo(MutableArray::create({folder(Id("1"), {Id("104")})}));
    EXPECT_FALSE(session.isCollected(101));
    EXPECT_TRUE(session.isCollected(104));
    session.removeUserInfo();
    EXPECT_FALSE(session.isCollected(104));
}

TEST_F(KXUserCenterConfigTest, SignOutRemovesTheSession)
{
    session.setIsAutologin(true);
    session.setUpUserconfigWithInfo(record(Id("1")));
    session.setGroupsInfo(MutableArray::create({Id("folder")}));
    session.setFollowsArray(MutableArray::create({Id("collection")}));
    for (const char* key : {"Name", "token", "my_orderClick"})
        defaults.setObject(Id("x"), key);
    const auto vip = session.vipinfo();
    ASSERT_TRUE(std::filesystem::exists(archivePath()));

    session.removeUserInfo();
    EXPECT_FALSE(session.islogin());
    for (const char* key : {"Name", "token", "my_shop_url", "my_heartbeat_url", "my_orderClick", "vip_type"})
        EXPECT_TRUE(defaults.objectForKey(key).isNil()) << key;
    EXPECT_FALSE(session.userinfo());
    EXPECT_FALSE(session.groupsInfo());
    EXPECT_FALSE(session.followsArray());
    EXPECT_FALSE(std::filesystem::exists(archivePath()));
    EXPECT_EQ(session.vipinfo(), vip) << "readers test vip_type first";
    EXPECT_EQ(KXThemeManager::themeManager().buyCartsImgstr().value_or(""), "fontCartDay");
}

namespace {

bool anyFileHolds(const std::filesystem::path& folder, const std::string& text)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.find(text) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

TEST_F(KXUserCenterConfigTest, ASignOutOnSettingsThatCannotBeWrittenLeavesNoTokenOnDisk)
{
    const std::string token = "token-5c1e9d";
    defaults.setObject(Id(token), "token");
    defaults.setObject(Id("yes"), "install");
    const auto config = foundation::Paths::configDirectory();
    ASSERT_TRUE(anyFileHolds(config, token));

    std::string warning;
    {
        testsupport::FileSizeLimit full(16); // as a full disk: no write goes through
        warning = session.removeUserInfo();
    }
    EXPECT_FALSE(session.islogin());
    EXPECT_FALSE(anyFileHolds(config, token)) << "the next start would sign in again";
    EXPECT_EQ(warning, "设置无法保存，已删除设置文件以清除登录信息：~/.config/corvane-fonts/defaults.plist");

    // The settings kept in memory reach the disk with the next save that succeeds.
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(foundation::UserDefaults(defaults.file()).stringForKey("install")->utf8(), "yes");
    EXPECT_EQ(session.removeUserInfo(), "") << "a sign-out that reaches the disk has nothing to tell";
}
