#include "Class/AppShell/KXStartupReports.h"

#include "Class/AppShell/KXDefaults.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "ShellServiceTest.h"
#include "Support/TempHome.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <set>

using foundation::Id;
using localservice::Fault;

namespace {

class KXStartupReportsTest : public shelltest::ShellServiceTest {
protected:
    static void writeLog(const std::string& text)
    {
        auto log = foundation::MutableDictionary::create();
        log->setObject(Id(text), Id("errorinfo"));
        log->setObject(Id(foundation::Dictionary::create({{Id("tag"), Id("130")}})), Id("param"));
        KXFileManager::sharedKXFileManager().writeEncryptDataWithDictionary(Id(log), foundation::String::create(KXHTTPErrorLog::kFileKey));
    }

    // Uploads and waits for the outcome; nullopt when no upload started.
    static std::optional<bool> upload()
    {
        auto outcome = std::make_shared<std::optional<bool>>();
        if (!KXStartupReports::uploadhttpError([outcome](bool sent) { *outcome = sent; }))
            return std::nullopt;
        EXPECT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
        return **outcome;
    }

    static std::set<std::string> paths()
    {
        std::set<std::string> result;
        for (const auto& request : service().requestLog().entries())
            result.insert(request.path);
        return result;
    }
};

} // namespace

TEST_F(KXStartupReportsTest, FirstStartAndLaunchReports)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("install");
    KXStartupReports::sendFirstStartReport(defaults);
    KXStartupReports::sendLaunchReport();
    ASSERT_TRUE(waitFor([] { return service().requestLog().size() == 2; }));
    EXPECT_EQ(paths(), (std::set<std::string>{"velaInstall", "velaView"}));

    service().requestLog().clear();
    defaults.setObject(Id("yes"), "install");
    KXStartupReports::sendFirstStartReport(defaults);
    KXStartupReports::sendLaunchReport();
    ASSERT_TRUE(waitFor([] { return service().requestLog().size() == 1; }));
    EXPECT_EQ(paths(), (std::set<std::string>{"velaView"}));
    defaults.removeObjectForKey("install");
}

TEST_F(KXStartupReportsTest, SettingsThatCannotBeReadAreNamedAndMakeNoFirstStart)
{
    const auto file = testsupport::makeScratchDir("unreadable") / "defaults.plist";
    std::filesystem::create_directories(file); // there, yet no file to read
    foundation::UserDefaults defaults(file);
    int splash = 0;
    kx_reportSettingsFile(defaults, [&splash] { return ToastWindow {&splash}; });
    ASSERT_TRUE(waitFor([this] { return !toasts_->shown.empty(); }));
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].message, "无法读取设置文件：~/" + file.lexically_relative(foundation::Paths::homeDirectory()).string());
    EXPECT_EQ(toasts_->shown[0].window, &splash);

    // The splash shows it for a moment only: the main window, once shown, shows it again.
    int main = 0;
    kx_repeatSettingsFileNotice(defaults, [&main] { return ToastWindow {&main}; });
    ASSERT_TRUE(waitFor([this] { return toasts_->shown.size() == 2; }));
    EXPECT_EQ(toasts_->shown[1].message, toasts_->shown[0].message);
    EXPECT_EQ(toasts_->shown[1].window, &main);

    KXStartupReports::sendFirstStartReport(defaults);
    KXStartupReports::sendLaunchReport();
    ASSERT_TRUE(waitFor([] { return service().requestLog().size() == 1; }));
    EXPECT_EQ(paths(), (std::set<std::string>{"velaView"}));
}

TEST_F(KXStartupReportsTest, ASignInOverUnreadableSettingsSaysOnceThatItIsNotKept)
{
    const auto file = testsupport::makeScratchDir("unreadable-sign-in") / "defaults.plist";
    std::filesystem::create_directories(file);
    foundation::UserDefaults defaults(file);
    kx_reportSettingsFile(defaults, nullptr);
    ASSERT_TRUE(waitFor([this] { return toasts_->shown.size() == 1; }));
    const auto drain = [] {
        bool drained = false; // the main queue runs in order: anything queued before has run
        dispatch::mainQueue().async([&drained] { drained = true; });
        return waitFor([&drained] { return drained; });
    };

    defaults.setObject(Id("2.0"), "appVersion");
    ASSERT_TRUE(drain());
    EXPECT_EQ(toasts_->shown.size(), 1u) << "the start's own settings: nothing more to say";

    defaults.setObject(Id("token-1"), "token");
    ASSERT_TRUE(waitFor([this] { return toasts_->shown.size() == 2; }));
    EXPECT_EQ(toasts_->shown[1].message,
        "设置文件无法读取，登录信息不会保存：~/" + file.lexically_relative(foundation::Paths::homeDirectory()).string());
    EXPECT_EQ(toasts_->shown[1].style, ToastStyle::Error);

    defaults.removeObjectForKey("token");
    defaults.setObject(Id("token-2"), "token");
    ASSERT_TRUE(drain());
    EXPECT_EQ(toasts_->shown.size(), 2u) << "said once";
    EXPECT_TRUE(std::filesystem::is_directory(file)) << "still never written over";
}

TEST_F(KXStartupReportsTest, SettingsThatCannotBeWrittenAreNamedAtTheFirstFailedWrite)
{
    const auto blocker = testsupport::makeScratchDir("unwritable") / "blocker";
    std::ofstream(blocker) << "a file where the folder should be";
    foundation::UserDefaults defaults(blocker / "defaults.plist");
    kx_reportSettingsFile(defaults, nullptr);
    bool drained = false; // the main queue runs in order: anything queued before has run
    dispatch::mainQueue().async([&drained] { drained = true; });
    ASSERT_TRUE(waitFor([&drained] { return drained; }));
    EXPECT_TRUE(toasts_->shown.empty()) << "readable, and nothing written yet";
    defaults.setObject(Id("v"), "k");
    ASSERT_TRUE(waitFor([this] { return !toasts_->shown.empty(); }));
    EXPECT_EQ(toasts_->shown[0].message, "无法写入设置文件：~/" + (blocker / "defaults.plist").lexically_relative(foundation::Paths::homeDirectory()).string());
}

TEST_F(KXStartupReportsTest, AnUploadedLogIsDeleted)
{
    writeLog("2024-05-01 10:00:00:签名错误\n2024-05-01 10:00:05:参数错误\n");
    EXPECT_EQ(upload(), true);
    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "clientError");
    EXPECT_EQ(*request.param("error_info"), "2024-05-01 10:00:00:签名错误\n2024-05-01 10:00:05:参数错误\n");
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "HTTP及服务器错误");
    EXPECT_TRUE(errorLog().isNil());
}

TEST_F(KXStartupReportsTest, AFailedOrRefusedUploadKeepsTheLog)
{
    writeLog("2024-05-01 10:00:00:签名错误\n");
    setFault("clientError", Fault::Kind::Http500);
    EXPECT_EQ(upload(), false);
    // The transport logs the failure itself; what was to be sent stays.
    EXPECT_TRUE(errorLog()["errorinfo"].stringValue().starts_with("2024-05-01 10:00:00:签名错误\n"));

    service().faults().clearAll();
    setFault("clientError", Fault::Kind::ErrorCode, 1, "busy");
    EXPECT_EQ(upload(), false);
    EXPECT_TRUE(errorLog()["errorinfo"].stringValue().starts_with("2024-05-01 10:00:00:签名错误\n"));
}

TEST_F(KXStartupReportsTest, UnreadableDataNoiseIsDroppedAndAnEmptyLogLeftAlone)
{
    writeLog("2024-05-01 10:00:00:未能读取数据，因为它的格式不正确。\n");
    EXPECT_EQ(upload(), std::nullopt);
    EXPECT_TRUE(errorLog().isNil());

    writeLog("");
    EXPECT_EQ(upload(), std::nullopt);
    EXPECT_FALSE(errorLog().isNil());
    EXPECT_EQ(service().requestLog().size(), 0u);
}

TEST_F(KXStartupReportsTest, LinesAppendedDuringTheUploadStay)
{
    writeLog("2024-05-01 10:00:00:签名错误\n");
    holdNextReply("clientError");
    auto outcome = std::make_shared<std::optional<bool>>();
    ASSERT_TRUE(KXStartupReports::uploadhttpError([outcome](bool sent) { *outcome = sent; }));
    KXHTTPErrorLog::append("服务器繁忙");
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
    EXPECT_EQ(**outcome, true);
    const std::string rest = errorLog()["errorinfo"].stringValue();
    EXPECT_EQ(rest.find("签名错误"), std::string::npos);
    EXPECT_NE(rest.find("服务器繁忙"), std::string::npos);
}

TEST(KXStartupReportsRemainder, KeepsWhatFollowsTheSentText)
{
    EXPECT_EQ(KXStartupReports::remainderAfterUpload("a\nb\n", "a\nb\n"), "");
    EXPECT_EQ(KXStartupReports::remainderAfterUpload("a\nb\nc\n", "a\nb\n"), "c\n");
    // The log dropped its oldest line while it grew.
    EXPECT_EQ(KXStartupReports::remainderAfterUpload("b\nc\n", "a\nb\n"), "c\n");
    // Nothing of the sent text is left (the log was replaced): all of it stays.
    EXPECT_EQ(KXStartupReports::remainderAfterUpload("x\n", "a\nb\n"), "x\n");
}

TEST_F(KXStartupReportsTest, TheUseTimeIsTheWholeSecondsSinceTheStart)
{
    const auto now = static_cast<long long>(std::floor(dispatch::Clock::current()->secondsSince1970()));
    KXGlobalDataBase::sharedKXGlobalDataBase().setAppStartTime(now - 42);
    auto done = std::make_shared<bool>(false);
    KXStartupReports::sendUsedTime([done] { *done = true; });
    ASSERT_TRUE(waitFor([done] { return *done; }));
    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "velaDuration");
    const long long duration = std::stoll(*request.param("duration"));
    EXPECT_GE(duration, 42);
    EXPECT_LE(duration, 43);
}
