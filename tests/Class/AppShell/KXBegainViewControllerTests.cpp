#include "Class/AppShell/KXBegainViewController.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXBegainWindow.h"
#include "Class/AppShell/KXStartupRules.h"
#include "Class/AppShell/KXStartupSignIn.h"
#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Home/Core/KXSignInGate.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"
#include "ScreenshotSupport.h"
#include "ShellServiceTest.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <memory>
#include <set>

using foundation::Id;
using localservice::Fault;

namespace {

class KXBegainViewControllerTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        made_ = std::make_shared<int>(0);
        AppDelegate::sharedAppDelegate().setMainWindowFactory([made = made_] {
            ++*made;
            auto* window = new QWidget();
            window->resize(400, 680);
            return window;
        });
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    }

    void TearDown() override
    {
        AppDelegate::sharedAppDelegate().setShowWindow(nullptr);
        AppDelegate::sharedAppDelegate().setMainWindowFactory(nullptr);
        service().faults().clearAll();
        ShellServiceTest::TearDown();
    }

    // The splash as the delegate opens it; it is the shown window.
    KXBegainViewController* openSplash()
    {
        auto* splash = new KXBegainWindow();
        auto* controller = new KXBegainViewController(splash);
        splash->setContentViewController(controller);
        splash->show();
        AppDelegate::sharedAppDelegate().setShowWindow(splash);
        return controller;
    }

    static std::set<std::string> paths()
    {
        std::set<std::string> result;
        for (const auto& request : service().requestLog().entries())
            result.insert(request.path);
        return result;
    }

    std::shared_ptr<int> made_;
};

} // namespace

TEST_F(KXBegainViewControllerTest, HandsOverAtExactlyFourSecondsWhateverTheReplies)
{
    for (const char* operation : {"getBaseInfo", "getBaseData"}) {
        Fault hang;
        hang.kind = Fault::Kind::NoReply;
        service().faults().set(operation, hang);
    }
    dispatch::VirtualClock::Scope clock;
    QPointer<KXBegainViewController> splash = openSplash();
    dispatch::RunLoop::drain();
    ASSERT_TRUE(splash->hasAppeared());
    clock.advance(3.999);
    EXPECT_FALSE(splash->hasHandedOver());
    EXPECT_EQ(*made_, 0);
    clock.advance(0.001);
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->hasHandedOver());
    EXPECT_EQ(*made_, 1);
    EXPECT_FALSE(splash->window()->isVisible());
    QWidget* main = AppDelegate::sharedAppDelegate().showWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_NE(main, splash->window());
    // The splash goes on the next turn; its late replies still write the shared state.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(splash);
}

TEST_F(KXBegainViewControllerTest, StartupRequestsAndTheBaseline)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("20250101"), "dataVersion");
    defaults.removeObjectForKey("questionnaire");
    service().setDataState(1, "20261201120000", "files/packages/partial.zip");
    KXGlobalDataBase::sharedKXGlobalDataBase().setUpdateDataDic(nullptr);
    openSplash();
    ASSERT_TRUE(waitFor([] { return paths().size() == 2; }));
    EXPECT_EQ(paths(), (std::set<std::string>{"getBaseInfo", "getBaseData"})) << "no folders and no sign-in without a token";
    for (const auto& request : service().requestLog().withTag("131"))
        EXPECT_EQ(*request.param("data_version"), KXStartupRules::kBaselineDataVersion);
    ASSERT_TRUE(waitFor([] { return KXGlobalDataBase::sharedKXGlobalDataBase().updateDataDic() != nullptr; }));
    EXPECT_TRUE(KXGlobalDataBase::sharedKXGlobalDataBase().isPartialUpdate());
    ASSERT_TRUE(waitFor([&] { return !defaults.objectForKey("questionnaire").isNil(); }));
    EXPECT_NE(defaults.stringForKey("questionnaire")->utf8().find("questionnaire.png"), std::string::npos);
    service().setDataState(0, "A20200326154556", "");
    KXGlobalDataBase::sharedKXGlobalDataBase().setUpdateDataDic(nullptr);
    KXGlobalDataBase::sharedKXGlobalDataBase().setPartialUpdate(false);
}

TEST_F(KXBegainViewControllerTest, AStoredTokenIsRenewed)
{
    auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    });
    const std::string token = signedIn.reply["corvane_data"]["token"].stringValue();
    ASSERT_FALSE(token.empty());
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id(token), "token");
    defaults.removeObjectForKey("my_shop_url");
    service().requestLog().clear();

    openSplash();
    ASSERT_TRUE(waitFor([&] { return !defaults.objectForKey("my_shop_url").isNil(); }));
    EXPECT_NE(defaults.stringForKey("my_shop_url")->utf8().find("pages/shop?uid="), std::string::npos);
    EXPECT_EQ(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].stringValue(), "demo");
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 1; })) << "signed in: the folders too";
    const auto renewals = service().requestLog().withTag("114");
    ASSERT_EQ(renewals.size(), 1u);
    EXPECT_EQ(*renewals[0].param("name"), "");
    EXPECT_EQ(*renewals[0].param("token"), token);
}

TEST_F(KXBegainViewControllerTest, AFolderListLandingAfterASignOutIsDropped)
{
    const auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    });
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(signedIn.reply["corvane_data"]["token"], "token");
    defaults.removeObjectForKey("my_shop_url");
    holdNextReply("getMyCollect");

    openSplash();
    ASSERT_TRUE(waitFor([&] {
        return service().requestLog().withTag("137").size() == 1 && !defaults.objectForKey("my_shop_url").isNil();
    }));
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    session.removeUserInfo();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(session.groupsInfo()) << "the former user's folders stay out";
}

TEST_F(KXBegainViewControllerTest, ATokenLeftWithTheAgreementUnansweredIsNoSignIn)
{
    // The client ended while newbie's agreement asked.
    const auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("newbie"), Id("newbie123"), std::move(success), std::move(failure));
    });
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(signedIn.reply["corvane_data"]["token"], "token");
    defaults.setObject(Id("1"), KXSignInGate::kPendingKey);
    defaults.synchronize();
    service().requestLog().clear();
    setFault("login", Fault::Kind::Http500);

    openSplash();
    ASSERT_TRUE(waitFor([] { return paths().size() == 2; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(paths(), (std::set<std::string>{"getBaseInfo", "getBaseData"})) << "no sign-in and no folders";
    for (const auto& request : service().requestLog().entries()) {
        const auto* token = request.param("token");
        EXPECT_TRUE(!token || token->empty()) << request.path << " went with newbie's token";
    }
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().islogin());
    EXPECT_TRUE(defaults.objectForKey(KXSignInGate::kPendingKey).isNil());
    EXPECT_FALSE(KXSignInGate::isWaiting());
}

TEST_F(KXBegainViewControllerTest, AStoredTokenOfAUserWhoHasNotAgreedAppliesNothingBeforeTheAnswer)
{
    const auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("newbie"), Id("newbie123"), std::move(success), std::move(failure));
    });
    const Id token = signedIn.reply["corvane_data"]["token"];
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(token, "token");
    defaults.removeObjectForKey("my_shop_url");
    service().requestLog().clear();

    openSplash();
    ASSERT_TRUE(waitFor([] { return KXSignInGate::isWaiting(); })) << "held for the main window to ask";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(defaults.objectForKey("my_shop_url").isNil());
    EXPECT_TRUE(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].isNil());
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo()) << "no folders before the answer";
    EXPECT_EQ(Id(defaults.stringForKey("token")).stringValue(), token.stringValue()) << "kept while the question is open";
    EXPECT_FALSE(defaults.objectForKey(KXSignInGate::kPendingKey).isNil()) << "a crash now signs nobody in";
    std::optional<KXSignInGate::Outcome> outcome;
    std::string accepted;
    KXSignInGate::answer(Id("1"), [&](KXSignInGate::Outcome heard, const Id& user) {
        outcome = heard;
        accepted = user["uname"].stringValue();
    });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome, KXSignInGate::Outcome::SignedIn);
    EXPECT_EQ(accepted, "newbie");
    EXPECT_TRUE(defaults.objectForKey(KXSignInGate::kPendingKey).isNil());
}

TEST_F(KXBegainViewControllerTest, TheFoldersWaitForTheStartUpSignInToSayTheUserHasAgreed)
{
    // A user still to agree: however late the sign-in's reply, no folders go out with the token.
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("newbie"), Id("newbie123"), std::move(success), std::move(failure));
    }).reply["corvane_data"]["token"], "token");
    service().requestLog().clear();
    holdNextReply("login");
    openSplash();
    ASSERT_TRUE(waitFor([] { return paths().count("getBaseData") == 1; })) << "the splash has appeared";
    EXPECT_TRUE(service().requestLog().withTag("137").empty()) << "asked before the sign-in said anything";
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_TRUE(service().requestLog().withTag("137").empty());
    std::optional<KXSignInGate::Outcome> outcome;
    KXSignInGate::answer(Id("0"), [&](KXSignInGate::Outcome heard, const Id&) { outcome = heard; });
    EXPECT_EQ(outcome, KXSignInGate::Outcome::Refused) << "refused: nobody signs in";
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().islogin());
}

TEST_F(KXBegainViewControllerTest, AStartUpSignInLostOnTheWayStillReadsTheFoldersOfTheStoredToken)
{
    // An agreed user whose sign-in fails without a reply keeps the stored token: the folders follow.
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    }).reply["corvane_data"]["token"], "token");
    service().requestLog().clear();
    setFault("login", Fault::Kind::Http500);
    openSplash();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("137").size() == 1; }))
        << "token " << (defaults.objectForKey("token").isNil() ? "gone" : "kept") << ", " << paths().size() << " paths";
}

// One sign-in at a time: an account signed in through a sign-in window while the start-up's
// sign-in by the stored token is still on its way stays; the late reply applies nothing.
TEST_F(KXBegainViewControllerTest, AStartUpSignInOvertakenByAnotherSignInAppliesNothing)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    }).reply["corvane_data"]["token"], "token");
    service().requestLog().clear();
    holdNextReply("login");
    openSplash();
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("114").size() == 1; }));

    // The account form's way: its attempt starts at the click, its reply is posted with it.
    const auto attempt = KXSignInEvents::startAttempt();
    const Id editor = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("editor"), Id("editor123"), std::move(success), std::move(failure));
    }).reply["corvane_data"];
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(editor);
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(editor, attempt));
    const std::string editorsShop = Id(defaults.stringForKey("my_shop_url")).stringValue();

    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic());
    dispatch::RunLoop::drain();
    EXPECT_EQ(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].stringValue(), "editor");
    EXPECT_EQ(Id(defaults.stringForKey("my_shop_url")).stringValue(), editorsShop) << "the late reply's shop";
}

// The test above shows the transport's guard: the late renewal of the former account is dropped
// before it reaches the start-up sign-in. Past the transport (a reply handed on after another
// sign-in was posted), the start-up sign-in's own check of its attempt applies nothing either.
TEST_F(KXBegainViewControllerTest, AStartUpReplyForAnAttemptOvertakenAppliesNothingOfItsOwn)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    const Id demo = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    }).reply["corvane_data"];
    defaults.setObject(demo["token"], "token");
    const auto attempt = KXSignInEvents::startAttempt();
    KXRequestAccount::changed(); // another sign-in was announced meanwhile
    defaults.setObject(Id("https://shop.example/editor"), "my_shop_url");
    KXStartupSignIn::replied(demo, attempt);
    EXPECT_EQ(Id(defaults.stringForKey("my_shop_url")).stringValue(), "https://shop.example/editor");
    EXPECT_TRUE(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].isNil());

    KXStartupSignIn::replied(demo, KXSignInEvents::startAttempt());
    EXPECT_EQ(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uname"].stringValue(), "demo") << "a current one applies";
}

TEST_F(KXBegainViewControllerTest, AnExpiredTokenSignsOut)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("expired-token"), "token");
    openSplash();
    ASSERT_TRUE(waitFor([&] { return defaults.objectForKey("token").isNil(); }));
    EXPECT_TRUE(defaults.objectForKey("my_shop_url").isNil());
    EXPECT_FALSE(logouts().empty());
}

TEST_F(KXBegainViewControllerTest, Screenshot)
{
    dispatch::VirtualClock::Scope clock;
    KXBegainViewController* splash = openSplash();
    QApplication::processEvents();
    // The picture plays, frame by frame on the main queue.
    ASSERT_TRUE(splash->imageView()->isPlaying());
    const auto first = splash->imageView()->currentFrameIndex();
    clock.advance(0.2);
    ImageView::waitForFrameDecodes();
    EXPECT_NE(splash->imageView()->currentFrameIndex(), first);
    const QString path = shelltest::saveScreenshot(splash->window(), "splash");
    const QImage picture(path);
    ASSERT_EQ(picture.size() / picture.devicePixelRatio(), QSize(KXBegainWindow::kWidth, KXBegainWindow::kHeight));
    // The accent of the mark at the centre-left of the picture.
    const QColor mark = picture.pixelColor(picture.width() * 90 / 240, picture.height() * 130 / 320);
    EXPECT_GT(mark.red(), 200);
    EXPECT_LT(mark.blue(), 80);
}
