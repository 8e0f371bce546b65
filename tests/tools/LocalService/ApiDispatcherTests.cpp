#include "ServiceTestClient.h"

#include "local-service/FormParams.h"
#include "local-service/RequestLog.h"

using localservice::FormCodec;
using localservice::FormParams;
using servicetest::ServiceTest;

namespace {

class ApiEnvelope : public ServiceTest {};

} // namespace

TEST_F(ApiEnvelope, HasTheFourMembersAndEchoesTheTagAsText)
{
    const auto reply = client().call("getTag", {{"tag", "129"}});
    ASSERT_TRUE(reply.isJson) << reply.body;
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType, "application/json; charset=utf-8");
    EXPECT_EQ(reply.json.value("errcode").toInt(-1), 0);
    EXPECT_TRUE(reply.json.value("message").isString());
    EXPECT_TRUE(reply.json.value("tag").isString());
    EXPECT_EQ(reply.json.value("tag").toString(), "129");
    EXPECT_TRUE(reply.json.value("corvane_data").isObject());
}

TEST_F(ApiEnvelope, WrongOrMissingSignatureIsRefused)
{
    FormParams params = servicetest::ServiceTestClient::withCommon({{"tag", "129"}}, "");
    params.back().second[0] = params.back().second[0] == 'a' ? 'b' : 'a';
    auto reply = client().post("getTag", FormCodec::encode(params));
    EXPECT_EQ(reply.errcode(), 110);
    EXPECT_EQ(reply.message(), "签名错误");
    EXPECT_FALSE(reply.data().contains("tags"));

    params.pop_back();
    reply = client().post("getTag", FormCodec::encode(params));
    EXPECT_EQ(reply.errcode(), 110);
}

TEST_F(ApiEnvelope, ASignatureOverOtherValuesIsRefused)
{
    FormParams params = servicetest::ServiceTestClient::withCommon({{"tag", "163"}, {"fontid", "1"}}, "");
    for (auto& p : params)
        if (p.first == "fontid")
            p.second = "2";
    EXPECT_EQ(client().post("getInfo", FormCodec::encode(params)).errcode(), 110);
}

TEST_F(ApiEnvelope, ABodyOverThePayloadLimitIsRefusedAsTooLarge)
{
    const auto reply = client().call("getTag", {{"tag", "129"}, {"pad", std::string(8 * 1024 * 1024, 'x')}});
    EXPECT_EQ(reply.status, 413);
    ASSERT_TRUE(reply.isJson) << reply.body.substr(0, 200);
    EXPECT_EQ(reply.errcode(), 111);
    EXPECT_EQ(reply.message(), "参数错误：请求体超过 8 MB");
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0) << "the next request is answered as before";
}

TEST_F(ApiEnvelope, UnknownPathOrTagIsAnUnknownOperation)
{
    EXPECT_EQ(client().call("noSuchThing", {{"tag", "129"}}).errcode(), 404);
    EXPECT_EQ(client().call("getTag", {{"tag", "130"}}).errcode(), 404) << "tag and path must agree";
    EXPECT_EQ(client().call("", {{"tag", "129"}}).errcode(), 404) << "getTag has its own path";
    EXPECT_EQ(client().call("", {{"tag", "100"}}).errcode(), 0) << "the fonts list posts to the base URL";
}

TEST_F(ApiEnvelope, SignedInOperationsAnswer122WithoutAValidToken)
{
    for (const auto& [path, tag] : std::vector<std::pair<std::string, std::string>>{
             {"getMyCollect", "137"}, {"getCarts", "155"}, {"getUnpaid", "160"}, {"getUserData", "113"}}) {
        EXPECT_EQ(client().call(path, {{"tag", tag}}).errcode(), 122) << path;
        EXPECT_EQ(client().call(path, {{"tag", tag}}, "not-a-token").errcode(), 122) << path;
    }
}

TEST_F(ApiEnvelope, ExpiredTokensAnswer122)
{
    const std::string token = client().signIn("demo", "demo1234");
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(client().call("getCarts", {{"tag", "155"}}, token).errcode(), 0);
    service().expireAllTokens();
    const auto reply = client().call("getCarts", {{"tag", "155"}}, token);
    EXPECT_EQ(reply.errcode(), 122);
    EXPECT_EQ(reply.message(), "登录已过期，请重新登录");
}

TEST_F(ApiEnvelope, RequestLogKeepsPathTagAndParametersButNotThePassword)
{
    client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", "demo1234"}});
    client().call("", {{"tag", "142"}, {"page", "1"}});
    const auto entries = service().requestLog().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, "login");
    EXPECT_EQ(entries[0].tag, "114");
    ASSERT_NE(entries[0].param("name"), nullptr);
    EXPECT_EQ(*entries[0].param("name"), "demo");
    ASSERT_NE(entries[0].param("password"), nullptr);
    EXPECT_EQ(*entries[0].param("password"), "***");
    EXPECT_EQ(*entries[0].param("platform"), "mz_mac");
    EXPECT_EQ(entries[1].path, "");
    EXPECT_EQ(entries[1].tag, "142");
    EXPECT_EQ(service().requestLog().withTag("142").size(), 1u);
}

TEST_F(ApiEnvelope, CatalogueUrlsCarryTheServiceBase)
{
    const auto reply = client().call("", {{"tag", "100"}, {"size", "5"}});
    const auto fonts = reply.data().value("fonts").toArray();
    ASSERT_FALSE(fonts.isEmpty());
    for (const auto& f : fonts) {
        EXPECT_TRUE(f.toObject().value("download_url").toString().startsWith(QString::fromStdString(service().baseUrl())));
        EXPECT_FALSE(reply.body.find(".invalid/") != std::string::npos);
    }
}

// Every operation of the client's API facade, at its path and tag, with the parameters it sends.
TEST_F(ApiEnvelope, EveryOperationOfTheFacadeIsAnswered)
{
    const std::string token = client().registerNewUser(service());
    const auto fonts = client().call("", {{"tag", "100"}, {"size", "2"}}).data().value("fonts").toArray();
    const std::string font = std::to_string(fonts[0].toObject().value("fontid").toInteger());
    const std::string folder = std::to_string(
        client().call("createCollect", {{"tag", "133"}, {"name", "全部操作"}}, token).data().value("id").toInteger());
    const std::string published = std::to_string(
        client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray()[0].toObject().value("id").toInteger());
    const std::string info = "[{\"bid\":\"12\",\"fids\":\"" + font + "\"}]";
    const std::string ticket = client().call("getWxQrCode", {{"tag", "146"}}).data().value("ticket").toString().toStdString();
    service().confirmWechatTicket(ticket);
    const std::vector<std::pair<std::string, FormParams>> operations = {
        {"", {{"tag", "100"}, {"page", "1"}}},
        {"", {{"tag", "101"}}},
        {"fontDown", {{"tag", "103"}, {"font_ids", font}}},
        {"fontDown", {{"tag", "103"}, {"activation", "[{\"fid\":\"" + font + "\",\"num\":\"1\"}]"}, {"download_ids", font}}},
        {"addLike", {{"tag", "105"}, {"font_ids", font}, {"collect_id", folder}}},
        {"getUseFonts", {{"tag", "112"}}},
        {"getUseFonts", {{"font_ids", font}}},
        {"getUserData", {{"tag", "113"}}},
        {"login", {{"tag", "114"}, {"name", ""}, {"password", ""}}},
        {"getCode", {{"tag", "115"}, {"phone", "15811112222"}}},
        {"agreement", {{"tag", "118"}}},
        {"modifyInfo", {{"tag", "119"}, {"sex", "1"}, {"city", "杭州"}, {"head", ""}, {"birthday", "2000-01-01"},
                        {"province", "浙江"}, {"nick_name", "新昵称"}, {"introduce", "你好"}}},
        {"clientError", {{"tag", "120"}, {"platform", "mac"}, {"error_info", "boom"}, {"client_name", ""},
                         {"module", "字体解析出错"}, {"client_version", ""}}},
        {"version", {{"tag", "121"}}},
        {"velaInstall", {{"tag", "124"}}},
        {"velaView", {{"tag", "125"}}},
        {"velaDuration", {{"tag", "126"}, {"duration", "3600"}}},
        {"getFontsImg", {{"tag", "127"}, {"str", "字"}, {"fids", font}}},
        {"getTag", {{"tag", "129"}}},
        {"getBaseInfo", {{"tag", "130"}}},
        {"getBaseData", {{"tag", "131"}}},
        {"", {{"tag", "132"}, {"data_version", "A20200326154556"}}},
        {"modifyCollect", {{"tag", "134"}, {"id", folder}, {"name", "改名"}, {"collect_img", ""}}},
        {"", {{"tag", "136"}, {"id", folder}, {"is_encrypt", "1"}, {"encrypt_str", "8888"}, {"img", ""},
              {"tag_id", "101"}, {"tag_name", "黑体"}, {"suffix", "png"}, {"collect_name", "公开"}}},
        {"getMyCollect", {{"tag", "137"}, {"type", "1"}}},
        {"getMyCollect", {{"tag", "137"}}},
        {"followCollect", {{"tag", "138"}, {"collect_id", published}, {"type", "1"}}},
        {"getSearch", {{"tag", "141"}, {"str", "Sans"}}},
        {"", {{"tag", "142"}, {"encrypt", "encrypt"}, {"page", "1"}}},
        {"getCollectList", {{"tag", "143"}}},
        {"getCollectInfo", {{"tag", "144"}, {"id", published}, {"source", "0"}}},
        {"checkCollectUpdate", {{"tag", "145"}, {"collect_version", "1"}}},
        {"checkWxLogin", {{"tag", "147"}, {"ticket", ticket}}},
        {"fontDuration", {{"tag", "150"}, {"total", "60"}, {"extend_info", "{}"}, {"type", "1"}}},
        {"addCarts", {{"tag", "153"}, {"fids", font}}},
        {"getCarts", {{"tag", "155"}}},
        {"getAuth", {{"tag", "156"}}},
        {"getBrand", {{"tag", "157"}, {"auth_id", "1"}}},
        {"getPrice", {{"tag", "158"}, {"brand_id", ""}, {"fids", ""}, {"info", info}}},
        {"subOrder", {{"tag", "159"}, {"brand_id", ""}, {"fids", ""}, {"info", info}}},
        {"delCarts", {{"tag", "154"}, {"fids", font}}},
        {"getUnpaid", {{"tag", "160"}}},
        {"clickOrder", {{"tag", "161"}}},
        {"getInfo", {{"tag", "163"}, {"fontid", font}}},
        {"getAllBrand", {{"tag", "164"}}},
        {"deleCollect", {{"tag", "135"}, {"id", folder}}},
    };
    for (const auto& [path, params] : operations) {
        const auto reply = client().call(path, params, token);
        const std::string* tag = FormCodec::find(params, "tag");
        EXPECT_EQ(reply.errcode(), 0) << "/" << path << " tag " << (tag ? *tag : "(none)") << ": " << reply.body;
        EXPECT_EQ(reply.json.value("tag").toString().toStdString(), tag ? *tag : "");
    }
    EXPECT_EQ(client().call("", {{"tag", "101"}}, token).errcode(), 0);
    const auto user = client().call("login", {{"tag", "114"}, {"name", ""}, {"password", ""}}, token).data();
    EXPECT_EQ(user.value("nick_name").toString(), "新昵称") << "modifyInfo changed the user";
    EXPECT_EQ(client().call("velaDuration", {{"tag", "126"}, {"duration", "soon"}}).errcode(), 111);
}
