#include "Class/ServiceCore/CrashReports/KXCrashMessageForwarder.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Lib/CrashGuard/CrashGuard.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Serialization/JSONSerialization.h"

using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using transporttest::TransportTest;

namespace {

Ref<Dictionary> report(
    const std::string& reason, const std::string& place = "Error Place:-[KXFontList reload]")
{
    return Dictionary::create(
        { { Id("errorName"), Id("NSRangeException") }, { Id("errorReason"), Id(reason) },
            { Id("errorPlace"), Id(place) }, { Id("defaultToDo"), Id(CrashGuard::kDefaultToReturnNil) },
            { Id("callStackSymbols"), Id(foundation::Array::create({ Id("0   corvane-fonts ...") })) } });
}

dispatch::Notification notification(const Ref<Dictionary>& userInfo)
{
    return { CrashGuard::kNotificationName, Id(), userInfo };
}

class CrashMessageForwarding : public TransportTest {
protected:
    // The texts the forwarder sent, once the service has received every one of them (so that
    // nothing arrives late in the next test), checked against the service's request log.
    std::vector<std::string> uploads()
    {
        EXPECT_TRUE(waitFor([&] { return service().requestLog().withTag("120").size() >= sent_->size(); }));
        std::vector<std::string> received;
        for (const auto& request : service().requestLog().withTag("120"))
            received.push_back(*request.param("error_info"));
        auto sent = *sent_;
        std::sort(sent.begin(), sent.end());
        std::sort(received.begin(), received.end());
        EXPECT_EQ(received, sent);
        return *sent_;
    }

    // Records each text and sends it as the application does.
    std::shared_ptr<std::vector<std::string>> sent_ = std::make_shared<std::vector<std::string>>();
    KXCrashMessageForwarder forwarder_ { [sent = sent_](const Ref<foundation::String>& text) {
        sent->push_back(text->utf8());
        KXCrashMessageForwarder::upload(text);
    } };
};

} // namespace

TEST(KXCrashMessageMasking, HidesTheValuesOfSecretKeysInEveryForm)
{
    const auto mask = [](std::string_view text) { return KXCrashMessageForwarder::maskedSecrets(text); };
    EXPECT_EQ(mask("user=kai&password=hunter2&x=1"), "user=kai&password=***&x=1");
    EXPECT_EQ(mask(R"({"token": "a b\"c", "Pwd":"s3", "n": 1})"), R"({"token": "***", "Pwd":"***", "n": 1})");
    EXPECT_EQ(mask("{\n    secret = hidden;\n    \"encrypt_str\" = \"q r\";\n}"),
        "{\n    secret = ***;\n    \"encrypt_str\" = \"***\";\n}");
    EXPECT_EQ(mask("SECRET: abc, access_token=xyz) newpwd : 'p w'"),
        "SECRET: ***, access_token=***) newpwd : '***'");
    // Words that merely contain a key, and keys without a value, stay.
    EXPECT_EQ(mask("the password is wrong; tokens: 5; token=; pwd"),
        "the password is wrong; tokens: 5; token=; pwd");
    EXPECT_EQ(mask("no secrets here"), "no secrets here");
}

TEST(KXCrashMessageText, IsThePrettyJSONOfTheFourTextEntries)
{
    auto text = KXCrashMessageForwarder::reportText(
        *report("*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]"));
    EXPECT_EQ(text->utf8(),
        "{\n"
        "  \"defaultToDo\" : \"CrashGuard default is to return nil to avoid crash.\",\n"
        "  \"errorName\" : \"NSRangeException\",\n"
        "  \"errorPlace\" : \"Error Place:-[KXFontList reload]\",\n"
        "  \"errorReason\" : \"*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]\"\n"
        "}");
    // A report without a reason has three entries.
    auto reasonless = foundation::MutableDictionary::dictionaryWithDictionary(*report("x"));
    reasonless->removeObjectForKey(Id("errorReason"));
    EXPECT_EQ(
        KXCrashMessageForwarder::reportText(*reasonless)->utf8().find("errorReason"), std::string::npos);
}

TEST_F(CrashMessageForwarding, AGuardReportBecomesAClientErrorWithTheModuleLabel)
{
    CrashGuard::makeAllEffective();
    std::vector<Ref<Dictionary>> seen;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        CrashGuard::kNotificationName, Id(), nullptr, [&](const dispatch::Notification& posted) {
            seen.push_back(posted.userInfo);
            forwarder_.dealwithCrashMessage(posted);
        });
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("收藏错误"));
    (void)foundation::Array::create({ Id(1), Id(2), Id(3) })->objectAtIndex(5);
    ASSERT_TRUE(waitFor([&] { return !service().requestLog().withTag("120").empty(); }));
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(nullptr);

    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(uploads().size(), 1u);
    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "clientError");
    EXPECT_EQ(*request.param("module"), "收藏错误");
    // The transport's common "platform" takes the place of the operation's "mac" on the wire.
    EXPECT_EQ(*request.param("platform"), "mz_mac");
    EXPECT_EQ(*request.param("client_name"), "");
    EXPECT_EQ(*request.param("client_version"), "");
    const std::string& info = *request.param("error_info");
    EXPECT_EQ(info, KXCrashMessageForwarder::reportText(*seen[0])->utf8());
    auto uploaded = foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(info)).get(), 0, nullptr)
                        .dictionary();
    ASSERT_TRUE(uploaded);
    EXPECT_EQ(uploaded->count(), 4u);
    for (const char* key : { "defaultToDo", "errorName", "errorPlace", "errorReason" })
        EXPECT_EQ(Id(uploaded)[key].stringValue(), Id(seen[0])[key].stringValue()) << key;
    EXPECT_EQ(Id(uploaded)["errorReason"].stringValue(),
        "*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]");
}

TEST_F(CrashMessageForwarding, UnreadableDataReportsAreDroppedAndTheErrorLogStays)
{
    KXHTTPErrorLog::append("未能读取数据，因为它的格式不正确。");
    forwarder_.dealwithCrashMessage(notification(report("The data couldn’t be read: 未能读取数据")));
    forwarder_.dealwithCrashMessage(notification(report("a later misuse")));
    const auto texts = uploads();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("a later misuse"), std::string::npos);
    EXPECT_FALSE(errorLog().isNil());
}

TEST_F(CrashMessageForwarding, AnIdenticalReportGoesUpOnceAMinute)
{
    dispatch::VirtualClock::Scope clock;
    forwarder_.dealwithCrashMessage(notification(report("first")));
    forwarder_.dealwithCrashMessage(notification(report("first")));
    // Another reason, or the same reason from another place, is another report.
    forwarder_.dealwithCrashMessage(notification(report("second")));
    forwarder_.dealwithCrashMessage(notification(report("first", "Error Place:-[KXHome load]")));
    clock.advance(59);
    forwarder_.dealwithCrashMessage(notification(report("first")));
    clock.advance(1);
    forwarder_.dealwithCrashMessage(notification(report("first")));
    const auto texts = uploads();
    ASSERT_EQ(texts.size(), 4u);
    const auto count = [&](const std::string& needle) {
        return std::count_if(texts.begin(), texts.end(),
            [&](const std::string& text) { return text.find(needle) != std::string::npos; });
    };
    EXPECT_EQ(count("\"errorReason\" : \"first\""), 3);
    EXPECT_EQ(count("-[KXHome load]"), 1);
    EXPECT_EQ(count("\"errorReason\" : \"second\""), 1);
}

TEST_F(CrashMessageForwarding, SecretsInReasonsNeverLeave)
{
    forwarder_.dealwithCrashMessage(
        notification(report("Attempt to insert non-property list object {\n    password = hunter2;\n    "
                            "uname = kai;\n} for key account")));
    const auto texts = uploads();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].find("hunter2"), std::string::npos);
    EXPECT_NE(texts[0].find("password = ***;"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("uname = kai;"), std::string::npos);
}
