#include "ServiceTestClient.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <regex>

using servicetest::ServiceTest;

namespace {

class AccountOperations : public ServiceTest {};

} // namespace

TEST_F(AccountOperations, LoginReturnsTheUserDictionaryWithAToken)
{
    const auto reply = client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", "demo1234"}});
    ASSERT_EQ(reply.errcode(), 0) << reply.body;
    const QJsonObject user = reply.data();
    EXPECT_EQ(user.value("token").toString().size(), 32);
    EXPECT_EQ(user.value("uname").toString(), "demo");
    EXPECT_EQ(user.value("nick_name").toString(), "演示用户");
    EXPECT_EQ(user.value("vip_type").toString(), "1");
    EXPECT_EQ(user.value("is_agree").toInt(), 1);
    for (const char* key : {"uid", "email", "head", "shop_url", "heartbeat_url", "is_first", "myinfo_url", "my_order"})
        EXPECT_TRUE(user.contains(key)) << key;
    EXPECT_TRUE(user.value("head").toString().startsWith(QString::fromStdString(service().baseUrl())));
}

TEST_F(AccountOperations, LoginByPhoneWorksAndAWrongPasswordFails)
{
    EXPECT_EQ(client().call("login", {{"tag", "114"}, {"name", "13800000000"}, {"password", "demo1234"}}).errcode(), 0);
    const auto wrong = client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", "nope"}});
    EXPECT_EQ(wrong.errcode(), 1);
    EXPECT_EQ(wrong.message(), "账号或密码错误");
    EXPECT_FALSE(wrong.data().contains("token"));
    const auto missing = client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", ""}});
    EXPECT_EQ(missing.errcode(), 111);
    EXPECT_NE(missing.message().find("参数错误"), std::string::npos);
}

TEST_F(AccountOperations, EmptyNameAndPasswordRenewTheStoredToken)
{
    const std::string token = client().signIn("demo", "demo1234");
    const auto renewed = client().call("login", {{"tag", "114"}, {"name", ""}, {"password", ""}}, token);
    ASSERT_EQ(renewed.errcode(), 0);
    EXPECT_EQ(renewed.data().value("token").toString().toStdString(), token);
    EXPECT_EQ(client().call("login", {{"tag", "114"}, {"name", ""}, {"password", ""}}, "stale").errcode(), 122);
}

TEST_F(AccountOperations, PhoneRegistrationNeedsTheSmsCode)
{
    const std::string phone = "15900000001";
    EXPECT_EQ(client().call("getCode", {{"tag", "115"}, {"phone", "12345"}}).errcode(), 1);
    ASSERT_EQ(client().call("getCode", {{"tag", "115"}, {"phone", phone}}).errcode(), 0);
    const auto code = service().lastSmsCode(phone);
    ASSERT_TRUE(code.has_value());
    EXPECT_TRUE(std::regex_match(*code, std::regex("[0-9]{6}")));

    const auto wrongCode = client().call("register", {{"tag", "117"}, {"phone", phone}, {"code", "000000x"}, {"password", "abcdef"}});
    EXPECT_EQ(wrongCode.message(), "验证码错误");
    const auto shortPassword = client().call("register", {{"tag", "117"}, {"phone", phone}, {"code", *code}, {"password", "abcde"}});
    EXPECT_EQ(shortPassword.message(), "密码为6-20位字符，区分大小写");

    const auto ok = client().call("register", {{"tag", "117"}, {"phone", phone}, {"code", *code}, {"password", "abcdef"}});
    ASSERT_EQ(ok.errcode(), 0) << ok.body;
    EXPECT_EQ(ok.data().value("is_first").toInt(), 1);
    EXPECT_EQ(ok.data().value("uname").toString().toStdString(), phone);
    const auto again = client().call("register", {{"tag", "117"}, {"phone", phone}, {"code", *code}, {"password", "abcdef"}});
    EXPECT_NE(again.errcode(), 0) << "a code is used once";
    EXPECT_EQ(client().signIn(phone, "abcdef").size(), 32u);
}

TEST_F(AccountOperations, NewbieHasNotAgreedUntilTheAgreementOperation)
{
    const auto first = client().call("login", {{"tag", "114"}, {"name", "newbie"}, {"password", "newbie123"}});
    ASSERT_EQ(first.errcode(), 0);
    EXPECT_EQ(first.data().value("is_agree").toInt(), 0);
    const std::string token = first.data().value("token").toString().toStdString();
    EXPECT_EQ(client().call("agreement", {{"tag", "118"}}, token).errcode(), 0);
    const auto second = client().call("login", {{"tag", "114"}, {"name", "newbie"}, {"password", "newbie123"}});
    EXPECT_EQ(second.data().value("is_agree").toInt(), 1);
    EXPECT_EQ(second.data().value("is_first").toInt(), 0) << "only the first sign-in is a first one";

    // Tests ask the question again, in the program and over the admin route.
    const auto isAgree = [this] {
        return client().call("login", {{"tag", "114"}, {"name", "newbie"}, {"password", "newbie123"}}).data().value("is_agree").toInt();
    };
    EXPECT_TRUE(service().setAgreed("newbie", false));
    EXPECT_EQ(isAgree(), 0);
    EXPECT_EQ(client().post("__admin/agreement", "user=newbie&agreed=1").status, 200);
    EXPECT_EQ(isAgree(), 1);
    EXPECT_EQ(client().post("__admin/agreement", "agreed=0").status, 200);
    EXPECT_EQ(isAgree(), 0);
    EXPECT_EQ(client().post("__admin/agreement", "user=nobody&agreed=1").status, 400);
    EXPECT_FALSE(service().setAgreed("nobody", true));
}

TEST_F(AccountOperations, WechatTicketWaitsForTheConfirmPage)
{
    const auto code = client().call("getWxQrCode", {{"tag", "146"}});
    ASSERT_EQ(code.errcode(), 0);
    const std::string ticket = code.data().value("ticket").toString().toStdString();
    const std::string url = code.data().value("url").toString().toStdString();
    ASSERT_FALSE(ticket.empty());
    EXPECT_EQ(url, service().baseUrl() + "files/qr/" + ticket + ".png");
    const auto image = client().get(url.substr(service().baseUrl().size() - 1));
    EXPECT_EQ(image.status, 200);
    EXPECT_EQ(image.body.substr(0, 4), "\x89PNG");

    const auto waiting = client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}});
    EXPECT_NE(waiting.errcode(), 0);
    EXPECT_EQ(waiting.json.value("tag").toString(), "147");
    EXPECT_EQ(client().get("/wechat/confirm?ticket=" + ticket).status, 200);
    const auto signedIn = client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}});
    ASSERT_EQ(signedIn.errcode(), 0);
    const QJsonObject user = signedIn.data().value("userinfo").toObject();
    EXPECT_EQ(user.value("uname").toString(), "demo");
    EXPECT_EQ(user.value("token").toString().size(), 32);
    EXPECT_NE(client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}}).errcode(), 0) << "a ticket signs in once";
}

TEST_F(AccountOperations, WechatTicketCanConfirmItselfAfterSomePolls)
{
    service().controls().setWechatAutoConfirmPolls(3);
    const std::string ticket = client().call("getWxQrCode", {{"tag", "146"}}).data().value("ticket").toString().toStdString();
    EXPECT_NE(client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}}).errcode(), 0);
    EXPECT_NE(client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}}).errcode(), 0);
    EXPECT_EQ(client().call("checkWxLogin", {{"tag", "147"}, {"ticket", ticket}}).errcode(), 0);
    service().controls().setWechatAutoConfirmPolls(0);
}

TEST_F(AccountOperations, QqPageLeavesTheUserInTheBodyAttribute)
{
    EXPECT_NE(client().get("/pages/qq-login").body.find("<form"), std::string::npos);
    const auto wrong = client().post("pages/qq-login", "name=demo&password=bad");
    EXPECT_EQ(wrong.body.find("PersonLoginData"), std::string::npos);
    const auto page = client().post("pages/qq-login", "name=demo&password=demo1234");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(page.body, match, std::regex("<body PersonLoginData=\"([^\"]*)\">")));
    std::string json = match[1];
    json = std::regex_replace(json, std::regex("&quot;"), "\"");
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    EXPECT_EQ(doc.object().value("uname").toString(), "demo");
    EXPECT_EQ(doc.object().value("token").toString().size(), 32);
}

TEST_F(AccountOperations, UserDataCountsFoldersFollowsAndDownloads)
{
    const std::string token = client().signIn("demo", "demo1234");
    const auto before = client().call("getUserData", {{"tag", "113"}}, token).data();
    EXPECT_EQ(before.value("group_num").toInt(), 4);
    EXPECT_EQ(before.value("collection_num").toInt(), 2);
    client().call("fontDown", {{"tag", "103"}, {"activation", ""}, {"download_ids", "1047,1048"}}, token);
    const auto after = client().call("getUserData", {{"tag", "113"}}, token).data();
    EXPECT_EQ(after.value("dowload_num").toInt(), before.value("dowload_num").toInt() + 2);
}

TEST_F(AccountOperations, ActivationReportsLeadTheRecentlyUsedList)
{
    const std::string token = client().registerNewUser(service());
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(client().call("getUseFonts", {{"tag", "112"}}, token).data().value("active").toString(), "");
    client().call("fontDown", {{"tag", "103"}, {"activation", "[{\"fid\":\"1047\",\"num\":\"1\"}]"}, {"download_ids", ""}}, token);
    client().call("fontDown", {{"tag", "103"}, {"activation", "[\n  {\n    \"fid\" : \"1002\",\n    \"num\" : \"1\"\n  }\n]"},
                               {"download_ids", ""}}, token);
    client().call("fontDown", {{"tag", "103"}, {"activation", "[{\"fid\":\"1047\",\"num\":\"1\"}]"}, {"download_ids", ""}}, token);
    EXPECT_EQ(client().call("getUseFonts", {{"tag", "112"}}, token).data().value("active").toString(), "1047,1002");
    EXPECT_EQ(client().call("fontDown", {{"tag", "103"}, {"activation", "[{"}, {"download_ids", ""}}, token).errcode(), 111);
}

TEST_F(AccountOperations, VersionReplyNamesTheUpdatePackage)
{
    const auto reply = client().call("version", {{"tag", "121"}});
    EXPECT_EQ(reply.data().value("version").toString(), "0.1.0");
    service().setVersionInfo("9.9.0_beta", "新版本", "");
    const auto newer = client().call("version", {{"tag", "121"}}).data();
    EXPECT_EQ(newer.value("version").toString(), "9.9.0_beta");
    EXPECT_EQ(newer.value("content").toString(), "新版本");
    const std::string download = newer.value("download").toString().toStdString();
    ASSERT_EQ(download.rfind(service().baseUrl(), 0), 0u);
    const auto file = client().get(download.substr(service().baseUrl().size() - 1));
    EXPECT_EQ(file.status, 200);
    ASSERT_FALSE(file.body.empty());
    EXPECT_EQ(download.substr(download.rfind('/') + 1), "corvane-fonts_9.9.0_amd64.deb");
    EXPECT_EQ(file.body.substr(0, 8), "!<arch>\n") << "a Debian package is an ar archive";
    EXPECT_NE(file.body.find("debian-binary"), std::string::npos);
    EXPECT_EQ(newer.value("size").toInteger(), static_cast<qint64>(file.body.size()));
    EXPECT_EQ(newer.value("sha256").toString().toStdString(),
              QCryptographicHash::hash(QByteArray::fromStdString(file.body), QCryptographicHash::Sha256).toHex().toStdString());
}

TEST_F(AccountOperations, VersionReplyOverridesScriptAMismatch)
{
    service().setVersionInfo("9.9.0", "新版本", "", "12", "00" + std::string(62, 'a'));
    auto data = client().call("version", {{"tag", "121"}}).data();
    EXPECT_EQ(data.value("size").toInteger(), 12);
    EXPECT_EQ(data.value("sha256").toString().toStdString(), "00" + std::string(62, 'a'));
    service().setVersionInfo("9.9.0", "新版本", "", "-", "-");
    data = client().call("version", {{"tag", "121"}}).data();
    EXPECT_FALSE(data.contains("size"));
    EXPECT_FALSE(data.contains("sha256"));
    service().setVersionInfo("9.9.0", "新版本", "https://s.example/corvane.deb");
    data = client().call("version", {{"tag", "121"}}).data();
    EXPECT_FALSE(data.contains("size")) << "nothing to measure for a package served elsewhere";
    service().setVersionInfo("9.9.0", "新版本", "files/update/corvane-fonts_9.9.0_amd64.deb");
    EXPECT_TRUE(client().call("version", {{"tag", "121"}}).data().contains("sha256"));
}
