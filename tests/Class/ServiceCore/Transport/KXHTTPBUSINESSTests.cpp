#include "TransportTestSupport.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Storage/UserDefaults.h"

#include <map>

using foundation::Id;
using foundation::Ref;
using localservice::Fault;
using transporttest::Outcome;
using transporttest::TransportTest;

namespace {

using Params = std::map<std::string, std::string>;
using Call = std::function<void(KXHTTPBUSINESS&, KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>;

struct OperationCase {
    std::string name;
    Call call;
    std::string path;
    Params own; // "tag" included; the common parameters and "secret" are not
};

Ref<foundation::Array> texts(std::initializer_list<const char*> values)
{
    std::vector<Id> ids;
    for (const char* value : values)
        ids.emplace_back(value);
    return foundation::Array::create(std::move(ids));
}

std::vector<OperationCase> operationCases()
{
    using S = KXHTTPBUSINESS::Success;
    using F = KXHTTPBUSINESS::Failure;
    auto activation = foundation::Array::create({Id(foundation::Dictionary::create({{Id("fid"), Id("3")}, {Id("num"), Id("2")}}))});
    return {
        {"fontsList", [](auto& b, S s, F f) { b.GetFontsListByParameters(foundation::Dictionary::create({{Id("page"), Id("2")}}), s, f); }, "",
         {{"tag", "100"}, {"page", "2"}}},
        {"boughtFonts", [](auto& b, S s, F f) { b.GetBoughtFontsListSuceess(s, f); }, "", {{"tag", "101"}}},
        {"fontById", [](auto& b, S s, F f) { b.GetFontByFontID(Id("1,2"), s, f); }, "fontDown", {{"tag", "103"}, {"font_ids", "1,2"}}},
        {"usageReport", [activation](auto& b, S s, F f) { b.upLoadAppUseInfoDownloadids(texts({"3", "4"}), activation, s, f); }, "fontDown",
         {{"tag", "103"}, {"activation", "[\n  {\n    \"fid\" : \"3\",\n    \"num\" : \"2\"\n  }\n]"}, {"download_ids", "3,4"}}},
        {"usageReportWithoutLists", [](auto& b, S s, F f) { b.upLoadAppUseInfoDownloadids(nullptr, nullptr, s, f); }, "fontDown",
         {{"tag", "103"}, {"activation", ""}}},
        {"addLike", [](auto& b, S s, F f) { b.CollectFontWithFontid(Id("7"), Id("1,2"), s, f); }, "addLike",
         {{"tag", "105"}, {"font_ids", "7"}, {"collect_id", "1,2"}}},
        {"addLikeNilFolder", [](auto& b, S s, F f) { b.CollectFontWithFontid(Id("7"), nullptr, s, f); }, "addLike",
         {{"tag", "105"}, {"font_ids", "7"}}},
        {"recentFonts", [](auto& b, S s, F f) { b.getRecentUserDataSuceess(s, f); }, "getUseFonts", {{"tag", "112"}}},
        {"editFontGroup", [](auto& b, S s, F f) { b.EditFontToGroupWithByParameters(foundation::Dictionary::create({{Id("a"), Id("b")}}), s, f); },
         "getUseFonts", {{"a", "b"}}},
        {"userData", [](auto& b, S s, F f) { b.GetUserDataSuceess(s, f); }, "getUserData", {{"tag", "113"}}},
        {"login", [](auto& b, S s, F f) { b.LoginWithName(Id("demo"), Id("pw"), s, f); }, "login",
         {{"tag", "114"}, {"name", "demo"}, {"password", "***"}}},
        {"phoneCode", [](auto& b, S s, F f) { b.GetPhoneCodeWithPhone(Id("13800000009"), s, f); }, "getCode", {{"tag", "115"}, {"phone", "13800000009"}}},
        {"register", [](auto& b, S s, F f) { b.RegisterWithPhone(Id("13800000009"), Id("1234"), Id("pw"), s, f); }, "register",
         {{"tag", "117"}, {"phone", "13800000009"}, {"code", "1234"}, {"password", "***"}}},
        {"agreement", [](auto& b, S s, F f) { b.agreementProtocolSuceess(s, f); }, "agreement", {{"tag", "118"}}},
        {"modifyInfo",
         [](auto& b, S s, F f) { b.ReviseUserInfoWithSex(Id("1"), Id("杭州"), Id("h.png"), Id("Nick"), Id("浙江"), Id("2000-01-01"), Id("hi"), s, f); },
         "modifyInfo",
         {{"tag", "119"}, {"sex", "1"}, {"city", "杭州"}, {"head", "h.png"}, {"birthday", "2000-01-01"}, {"province", "浙江"}, {"nick_name", "Nick"},
          {"introduce", "hi"}}},
        {"version", [](auto& b, S s, F f) { b.getNewAppVersionInfoSuceess(s, f); }, "version", {{"tag", "121"}}},
        {"firstStart", [](auto& b, S s, F f) { b.appFirstLunchSuceess(s, f); }, "velaInstall", {{"tag", "124"}}},
        {"start", [](auto& b, S s, F f) { b.appFinishLunchSuceess(s, f); }, "velaView", {{"tag", "125"}}},
        {"useTime", [](auto& b, S s, F f) { b.appUsedTime(3600, s, f); }, "velaDuration", {{"tag", "126"}, {"duration", "3600"}}},
        {"fontImages", [](auto& b, S s, F f) { b.GetFontImgsByString(Id("永"), Id("1,2"), s, f); }, "getFontsImg",
         {{"tag", "127"}, {"str", "永"}, {"fids", "1,2"}}},
        {"tags", [](auto& b, S s, F f) { b.GetTagListSuceess(s, f); }, "getTag", {{"tag", "129"}}},
        {"baseInfo", [](auto& b, S s, F f) { b.GetINITDataWithDataVersion(Id("9"), s, f); }, "getBaseInfo", {{"tag", "130"}}},
        {"baseData", [](auto& b, S s, F f) { b.GetChangedDataWithDataVersion(Id("9"), s, f); }, "getBaseData", {{"tag", "131"}}},
        // No stored data version: the transport drops the caller's value.
        {"moreData", [](auto& b, S s, F f) { b.updateMoreDataByDadaVersion(Id("9"), s, f); }, "", {{"tag", "132"}}},
        {"createFolder", [](auto& b, S s, F f) { b.CreateGroupWithName(Id("新"), s, f); }, "createCollect", {{"tag", "133"}, {"name", "新"}}},
        {"renameFolder", [](auto& b, S s, F f) { b.RenameGroupWithName(Id("旧"), Id("12abc"), s, f); }, "modifyCollect",
         {{"tag", "134"}, {"id", "12"}, {"name", "旧"}, {"collect_img", ""}}},
        {"deleteFolder", [](auto& b, S s, F f) { b.DeleteGroupWithGroup_id(Id("abc"), s, f); }, "deleCollect", {{"tag", "135"}, {"id", "0"}}},
        {"publish",
         [](auto& b, S s, F f) {
             b.publishCollection(Id("4"), Id("1"), Id("pw"), Id("desc"), Id("aW1n"), Id("8"), Id("标题"), Id("png"), Id("集"), s, f);
         },
         "",
         {{"tag", "136"}, {"id", "4"}, {"is_encrypt", "1"}, {"encrypt_str", "***"}, {"collect_desc", "desc"}, {"img", "aW1n"},
          {"tag_id", "8"}, {"tag_name", "标题"}, {"suffix", "png"}, {"collect_name", "集"}}},
        {"followedList", [](auto& b, S s, F f) { b.GetFocusGroupsListSuceess(s, f); }, "getMyCollect", {{"tag", "137"}, {"type", "1"}}},
        {"folderList", [](auto& b, S s, F f) { b.GetCollectGroupsListSuceess(s, f); }, "getMyCollect", {{"tag", "137"}}},
        {"follow", [](auto& b, S s, F f) { b.isAttentionGroup(Id("5"), Id("0"), s, f); }, "followCollect",
         {{"tag", "138"}, {"collect_id", "5"}, {"type", "0"}}},
        {"search", [](auto& b, S s, F f) { b.GetFontidsByParticipleword(Id("黑体"), s, f); }, "getSearch", {{"tag", "141"}, {"str", "黑体"}}},
        {"page", [](auto& b, S s, F f) { b.GetFontidsByPageNum(Id("3"), s, f); }, "", {{"tag", "142"}, {"encrypt", "encrypt"}, {"page", "3"}}},
        {"recommended", [](auto& b, S s, F f) { b.getRecommendDataGroupSuceess(s, f); }, "getCollectList", {{"tag", "143"}}},
        {"collection", [](auto& b, S s, F f) { b.getRecommendDataByID(Id("6"), Id("0"), s, f); }, "getCollectInfo",
         {{"tag", "144"}, {"id", "6"}, {"source", "0"}}},
        {"collectUpdate", [](auto& b, S s, F f) { b.isUpdateGroupDataByCollectversion(Id("v3"), s, f); }, "checkCollectUpdate",
         {{"tag", "145"}, {"collect_version", "v3"}}},
        {"wechatCode", [](auto& b, S s, F f) { b.getWeChatCodeSuceess(s, f); }, "getWxQrCode", {{"tag", "146"}}},
        {"wechatLogin", [](auto& b, S s, F f) { b.loginWithWeChatTicket(Id("t"), s, f); }, "checkWxLogin", {{"tag", "147"}, {"ticket", "t"}}},
        {"fontTime", [](auto& b, S s, F f) { b.postChangeFontTimeTotalTime(Id("60"), Id("x"), 2, s, f); }, "fontDuration",
         {{"tag", "150"}, {"total", "60"}, {"extend_info", "x"}, {"type", "2"}}},
        {"addCart", [](auto& b, S s, F f) { b.addBuyCartsWithFids(Id("1"), s, f); }, "addCarts", {{"tag", "153"}, {"fids", "1"}}},
        {"deleteCart", [](auto& b, S s, F f) { b.deleteBuyCartsWithFids(Id("1,2"), s, f); }, "delCarts", {{"tag", "154"}, {"fids", "1,2"}}},
        {"cart", [](auto& b, S s, F f) { b.getBuyCartsDataSuceess(s, f); }, "getCarts", {{"tag", "155"}}},
        {"auth", [](auto& b, S s, F f) { b.getFirstAuthDataSuceess(s, f); }, "getAuth", {{"tag", "156"}}},
        {"brand", [](auto& b, S s, F f) { b.getSeconAuthDataWithAuthid(Id("2"), s, f); }, "getBrand", {{"tag", "157"}, {"auth_id", "2"}}},
        {"price", [](auto& b, S s, F f) { b.getBuyCartsPriceWithFids(Id("1"), Id("b"), Id("i"), s, f); }, "getPrice",
         {{"tag", "158"}, {"brand_id", "b"}, {"fids", "1"}, {"info", "i"}}},
        {"order", [](auto& b, S s, F f) { b.submitBuyCartsOriderWithFids(Id("1"), Id("b"), Id("i"), s, f); }, "subOrder",
         {{"tag", "159"}, {"brand_id", "b"}, {"fids", "1"}, {"info", "i"}}},
        {"unpaid", [](auto& b, S s, F f) { b.getUnpaidOriderSuceess(s, f); }, "getUnpaid", {{"tag", "160"}}},
        {"myOrders", [](auto& b, S s, F f) { b.getMyOriderSuceess(s, f); }, "clickOrder", {{"tag", "161"}}},
        {"fontDetail", [](auto& b, S s, F f) { b.getFontDetailInfoByFontid(5, s, f); }, "getInfo", {{"tag", "163"}, {"fontid", "5"}}},
        {"allBrands", [](auto& b, S s, F f) { b.getAllBrandSuceess(s, f); }, "getAllBrand", {{"tag", "164"}}},
    };
}

Params ownParams(const localservice::LoggedRequest& request)
{
    Params params(request.params.begin(), request.params.end());
    for (const char* common : {"secret", "token", "platform"})
        params.erase(common);
    return params;
}

class KXHTTPBUSINESSTest : public TransportTest {
protected:
    static std::string signIn()
    {
        const Outcome outcome = run([](auto s, auto f) { KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), s, f); });
        const std::string token = outcome.reply["corvane_data"]["token"].stringValue();
        EXPECT_FALSE(token.empty());
        setDefault("token", Id(token));
        service().requestLog().clear();
        return token;
    }
    static Id storedCollectVersion() { return foundation::UserDefaults::standardUserDefaults().objectForKey("collect_version"); }
};

} // namespace

TEST_F(KXHTTPBUSINESSTest, EveryOperationPostsItsPathTagAndParameters)
{
    for (const auto& operation : operationCases()) {
        SCOPED_TRACE(operation.name);
        service().requestLog().clear();
        KXHTTPBUSINESS business;
        run([&](auto s, auto f) { operation.call(business, s, f); });
        const auto request = onlyRequest();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, operation.path);
        EXPECT_EQ(ownParams(request), operation.own);
        EXPECT_EQ(request.param("token") ? *request.param("token") : "(none)", "");
    }
}

TEST_F(KXHTTPBUSINESSTest, ClientErrorSendsTheModuleOfTheMomentAndTheServicePlatform)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("交互失败"));
    run([](auto s, auto f) {
        KXHTTPBUSINESS().upLoadActivationErrorWithClientName(Id(""), Id("1.2"), Id("mac"), Id("script failed"), s, f);
    });
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("主程序"));
    const Params expected{{"tag", "120"}, {"platform", "mz_mac"}, {"error_info", "script failed"}, {"client_name", ""},
                          {"module", "交互失败"}, {"client_version", "1.2"}};
    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "clientError");
    Params params(request.params.begin(), request.params.end());
    params.erase("secret");
    params.erase("token");
    EXPECT_EQ(params, expected);
}

TEST_F(KXHTTPBUSINESSTest, TagListDeliversOnlyTheTags)
{
    const Outcome outcome = run([](auto s, auto f) { KXHTTPBUSINESS().GetTagListSuceess(s, f); });
    ASSERT_TRUE(outcome.reply.is<foundation::Dictionary>());
    EXPECT_TRUE(outcome.reply["ZH"].is<foundation::Array>());
    EXPECT_TRUE(outcome.reply["ENG"].is<foundation::Array>());
    EXPECT_TRUE(outcome.reply["errcode"].isNil());
}

TEST_F(KXHTTPBUSINESSTest, FollowedListStoresTheTopLevelCollectVersion)
{
    signIn();
    const Outcome outcome = run([](auto s, auto f) { KXHTTPBUSINESS().GetFocusGroupsListSuceess(s, f); });
    ASSERT_EQ(outcome.reply["errcode"].integerValue(), 0);
    ASSERT_FALSE(outcome.reply["collect_version"].isNil());
    EXPECT_EQ(storedCollectVersion().stringValue(), outcome.reply["collect_version"].stringValue());

    // A reply without it (here a refusal) clears the stored value and still reaches success.
    setFault("getMyCollect", Fault::Kind::ErrorCode, 1, "忙");
    const Outcome refused = run([](auto s, auto f) { KXHTTPBUSINESS().GetFocusGroupsListSuceess(s, f); });
    EXPECT_EQ(refused.reply["errcode"].integerValue(), 1);
    EXPECT_TRUE(storedCollectVersion().isNil());
}

TEST_F(KXHTTPBUSINESSTest, FolderListStoresThePayloadVersionOnlyOnSuccess)
{
    signIn();
    const Outcome outcome = run([](auto s, auto f) { KXHTTPBUSINESS().GetCollectGroupsListSuceess(s, f); });
    ASSERT_FALSE(outcome.error);
    const std::string version = outcome.reply["corvane_data"]["collect_version"].stringValue();
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(storedCollectVersion().stringValue(), version);

    setFault("getMyCollect", Fault::Kind::ErrorCode, 3, "稍后再试");
    bool succeeded = false;
    const Outcome refused = run([&succeeded](auto, auto f) {
        KXHTTPBUSINESS().GetCollectGroupsListSuceess([&succeeded](const Id&) { succeeded = true; }, f);
    });
    EXPECT_FALSE(succeeded);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->domain(), KXHTTPBUSINESS::kReplyErrorDomain);
    EXPECT_EQ(refused.error->code(), 3);
    EXPECT_EQ(refused.error->objectForUserInfoKey("errcode").integerValue(), 3);
    EXPECT_EQ(refused.error->objectForUserInfoKey("message").stringValue(), "稍后再试");
    EXPECT_EQ(refused.error->localizedDescription(), "稍后再试");
    EXPECT_EQ(storedCollectVersion().stringValue(), version);
    EXPECT_EQ(toasts_->shown.size(), 1u); // the envelope rules still run
}

TEST_F(KXHTTPBUSINESSTest, BaseURLComesFromTheEnvironmentAndMustBeHTTPS)
{
    const std::string saved = KXHTTPBUSINESS::apiBaseURL();
    EXPECT_EQ(saved, service().baseUrl());
    setenv(KXHTTPBUSINESS::kBaseURLVariable, "https://api.example.test/v1", 1);
    EXPECT_EQ(KXHTTPBUSINESS::apiBaseURL(), "https://api.example.test/v1/");
    setenv(KXHTTPBUSINESS::kBaseURLVariable, "http://api.example.test/", 1);
    EXPECT_EQ(KXHTTPBUSINESS::apiBaseURL(), "");
    setenv(KXHTTPBUSINESS::kBaseURLVariable, saved.c_str(), 1);
}

TEST(KXHTTPBUSINESSJSON, ArraysBecomePrettyText)
{
    EXPECT_EQ(KXHTTPBUSINESS::arrayToJsonString(nullptr)->utf8(), "");
    EXPECT_EQ(KXHTTPBUSINESS::arrayToJsonString(foundation::Array::create({Id("a/b"), Id(1)}))->utf8(), "[\n  \"a\\/b\",\n  1\n]");
}
