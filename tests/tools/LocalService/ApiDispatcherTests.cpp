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
