#include "Class/AppShell/KXStartupRules.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using foundation::Id;

namespace {

Id json(const std::string& text)
{
    return foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(std::string_view(text)), 0);
}

class KXStartupRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.setUpdateDataDic(nullptr);
        state.setPartialUpdate(false);
        state.setHeatTopArray(nullptr);
    }

    foundation::UserDefaults defaults{testsupport::makeScratchDir("rules") / "defaults.plist"};
    KXGlobalDataBase& state = KXGlobalDataBase::sharedKXGlobalDataBase();
};

const char* kStartupReply = R"({"errcode": 0, "message": "", "tag": "130", "corvane_data": {
    "weixin_login_url": "https://s.example/wx", "qq_login_url": "https://s.example/qq",
    "register_agree_url": "https://s.example/agree", "shop_url": "https://s.example/shop",
    "forget_pwd": "https://s.example/pwd", "help_url": "https://s.example/help", "coll_list": "https://s.example/list",
    "coll_share": "https://s.example/share", "qq_group": 12345, "brand_license": null,
    "heartbeat_url": "https://s.example/beat",
    "heat": [{"fid": 31}, {"name": "no fid"}, {"fid": "7"}, 5, {"fid": 12}]}})";

} // namespace

TEST_F(KXStartupRulesTest, StartupDataFillsThePageAddressesInOrder)
{
    defaults.setObject(Id("https://old.example/questionnaire.png"), "questionnaire");
    defaults.setObject(Id("https://old.example/license"), "brand_license");
    std::vector<std::string> changed;
    auto observation = defaults.addChangeObserver([&](const std::string& key) { changed.push_back(key); });

    ASSERT_TRUE(KXStartupRules::applyStartupData(json(kStartupReply), defaults, state));

    EXPECT_EQ(defaults.objectForKey("wechatloginUrl").stringValue(), "https://s.example/wx");
    EXPECT_EQ(defaults.objectForKey("qqloginUrl").stringValue(), "https://s.example/qq");
    EXPECT_EQ(defaults.objectForKey("shop_url").stringValue(), "https://s.example/shop");
    EXPECT_EQ(defaults.objectForKey("qq_group").stringValue(), "12345");
    // Missing and null fields remove what was stored.
    EXPECT_TRUE(defaults.objectForKey("questionnaire").isNil());
    EXPECT_TRUE(defaults.objectForKey("brand_license").isNil());
    const std::vector<std::string> order = {"wechatloginUrl", "qqloginUrl", "register_agree_url", "shop_url", "forget_pwd",
                                            "help_url", "coll_list", "coll_share", "qq_group", "brand_license",
                                            "heartbeat_url", "questionnaire"};
    EXPECT_EQ(changed, order);

    // The popularity list keeps the reply's order and leaves out entries without an id.
    EXPECT_EQ(Id(state.heatTopArray()).description(), Id(foundation::Array::create({Id(31), Id("7"), Id(12)})).description());
    // The archive keeps what is read of the payload: the fields, and of the list each entry's "fid".
    const Id archived = KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create("initData"));
    auto expected = json(kStartupReply)["corvane_data"].mutableCopy().as<foundation::MutableDictionary>();
    expected->setObject(json(R"([{"fid": 31}, {}, {"fid": "7"}, {"fid": 12}])"), Id("heat"));
    EXPECT_TRUE(archived.isEqual(Id(expected))) << archived.description();
}

TEST_F(KXStartupRulesTest, ALargePayloadIsStoredCutDownWhileTheMainQueueRuns)
{
    // A list nobody reads, of 200,000 elements: within what a reply may hold, far beyond any real one.
    std::string reply = R"({"errcode": 0, "corvane_data": {"shop_url": "https://s.example/shop", "heat": [{"fid": 4, "n": 1}], "tags": [0)";
    for (int i = 1; i < 200'000; ++i)
        reply += ",0";
    reply += "]}}";
    auto& files = KXFileManager::sharedKXFileManager();
    const auto key = foundation::String::create("initData");
    files.removeFileByPathkey(key);

    // The store is held back until the main queue has run a block of its own.
    dispatch::Semaphore hold;
    files.backgroundWriteQueue(key)->async([hold]() mutable { hold.wait(20); });
    ASSERT_TRUE(KXStartupRules::applyStartupData(json(reply), defaults, state));
    EXPECT_FALSE(std::filesystem::exists(files.pathForDocumentWithComponent(key)->utf8())) << "stored on the calling thread";
    bool ticked = false;
    dispatch::mainQueue().async([&] { ticked = true; });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return ticked; }, 5));
    hold.signal();

    EXPECT_TRUE(files.returnDecryptDataByPathKey(key).isEqual(json(R"({"shop_url": "https://s.example/shop", "heat": [{"fid": 4}]})")));
    EXPECT_EQ(defaults.objectForKey("shop_url").stringValue(), "https://s.example/shop");
}

TEST_F(KXStartupRulesTest, AnErrorReplyKeepsTheStoredAddresses)
{
    defaults.setObject(Id("https://s.example/shop"), "shop_url");
    for (const char* reply : {R"({"errcode": 111, "message": "参数错误", "corvane_data": {}})",
                              R"({"errcode": 0, "corvane_data": "maintenance"})", R"({"message": "no code"})"}) {
        EXPECT_FALSE(KXStartupRules::applyStartupData(json(reply), defaults, state)) << reply;
        EXPECT_EQ(defaults.objectForKey("shop_url").stringValue(), "https://s.example/shop") << reply;
    }
}

TEST_F(KXStartupRulesTest, DataStateTable)
{
    struct Case {
        const char* stored;
        const char* reply;
        bool pending;
        bool partial;
        const char* version;
    };
    const Case cases[] = {
        {KXStartupRules::kBaselineDataVersion, R"({"data_expire": 1, "data_version": "5", "data_url": "https://s.example/p.zip"})", true, true, "5"},
        {KXStartupRules::kBaselineDataVersion, R"({"data_expire": 2, "data_version": "A20240101000000", "data_url": "https://s.example/f.zip"})", true, false, "A20240101000000"},
        // A newer numeric version makes a full update pending even without data_expire.
        {KXStartupRules::kBaselineDataVersion, R"({"data_expire": 0, "data_version": "20240101", "data_url": "https://s.example/f.zip"})", true, false, "20240101"},
        {"20250101", R"({"data_expire": 0, "data_version": "20240101", "data_url": "https://s.example/f.zip"})", false, false, nullptr},
        {KXStartupRules::kBaselineDataVersion, R"({"data_expire": 0, "data_version": "A20200326154556", "data_url": ""})", false, false, nullptr},
        {KXStartupRules::kBaselineDataVersion, R"({})", false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        state.setUpdateDataDic(nullptr);
        state.setPartialUpdate(false);
        defaults.setObject(Id(c.stored), "dataVersion");
        KXStartupRules::applyDataState(json(std::string(R"({"errcode": 0, "corvane_data": )") + c.reply + "}"), defaults, state);
        EXPECT_EQ(state.updateDataDic() != nullptr, c.pending);
        EXPECT_EQ(state.isPartialUpdate(), c.partial);
        if (c.version) {
            EXPECT_EQ(Id(state.updateDataDic())["data_version"].stringValue(), c.version);
            EXPECT_EQ(Id(state.updateDataDic())["dataUrl"].stringValue(), json(c.reply)["data_url"].stringValue());
        }
    }
}

// The rule as it stands keeps no stored version: one that starts with a letter has the integer
// value 0, one that starts with a digit sorts below "A".
TEST_F(KXStartupRulesTest, BaselineTable)
{
    defaults.removeObjectForKey("dataVersion");
    EXPECT_TRUE(KXStartupRules::applyBaseline(defaults));
    EXPECT_EQ(defaults.objectForKey("dataVersion").stringValue(), KXStartupRules::kBaselineDataVersion);
    for (const char* stored : {KXStartupRules::kBaselineDataVersion, "A20240101000000", "B1", "Z99", "20240101", "5", " 7", "+3", ""}) {
        defaults.setObject(Id(stored), "dataVersion");
        EXPECT_TRUE(KXStartupRules::applyBaseline(defaults)) << stored;
        EXPECT_EQ(defaults.objectForKey("dataVersion").stringValue(), KXStartupRules::kBaselineDataVersion) << stored;
    }
}
