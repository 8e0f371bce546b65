// The web panels on the engine (one Chromium, off the network): the QQ sign-in from the local
// service's form, the origin rule and hostile attributes, new windows kept in the panel, what a
// page cannot reach (the desktop, windows of its own, dialogs, service workers, time after its
// window closed), the service's certificate accepted through the transport's anchors, the window
// growing to the QQ panel, and the agreement page, with pictures.
#include "AccountTestSupport.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXLoginPhoneMailView.h"
#include "Class/Account/KXLoginQQView.h"
#include "Class/Account/KXLoginViewController.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXRegisterAgreementVC.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Account/KXWebEnginePanel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "Support/WebEngine/WebEngineTestSupport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <atomic>
#include <httplib.h>

using foundation::Id;

void testsupport::beforeWebEngineApplication()
{
    KXWebPanel::prepareEngine();
}

namespace {

class AccountWebTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        CORVANE_SKIP_WITHOUT_WEBENGINE();
        AccountServiceTest::SetUp();
        profile_ = std::make_unique<testsupport::IsolatedWebProfile>();
        // Pages' own requests go to a host that never resolves and are counted there.
        profile_->guard().allowHost(testsupport::testPageBaseUrl().host());
        KXWebEnginePanel::setProfileForNewPanels(profile_->profile(), &profile_->guard());
        setDefault("qqloginUrl", Id(service().baseUrl() + "pages/qq-login"));
        setDefault("register_agree_url", Id(service().baseUrl() + "pages/agreement"));
        main_.resize(1000, 760);
        main_.show();
    }

    void TearDown() override
    {
        windows_.clear();
        panels_.clear();
        settle();
        KXWebEnginePanel::setProfileForNewPanels(nullptr);
        if (profile_) {
            EXPECT_TRUE(profile_->guard().violations().isEmpty()) << profile_->guard().violations().join(", ").toStdString();
        }
        profile_.reset();
        AccountServiceTest::TearDown();
    }

    // A QQ panel in a window of its own, as the login window shows it.
    KXLoginQQView* openQQ()
    {
        auto window = std::make_unique<QWidget>();
        window->resize(KXLoginViewController::kQQWidth, KXLoginViewController::kQQHeight);
        auto* panel = new KXLoginQQView(window.get());
        panel->setGeometry(window->rect());
        window->show();
        windows_.push_back(std::move(window));
        return panel;
    }

    static QWebEnginePage* pageOf(KXLoginQQView* panel) { return static_cast<KXWebEnginePanel*>(panel->webView())->page(); }

    static bool loaded(KXLoginQQView* panel, const QString& path)
    {
        return testsupport::waitFor([&] { return panel->webView()->url().path() == path && !pageOf(panel)->isLoading(); }, 30000);
    }

    QUrl allowedBase() const { return QUrl(QString::fromStdString(service().baseUrl() + "pages/")); }

    // Shows `body` (markup, scripts included) in `page` as a page at `base`; answers once its
    // scripts ran. (The end of the load before it may still be on its way when the load starts.)
    static bool showPage(QWebEnginePage& page, const QString& body, const QUrl& base = testsupport::testPageBaseUrl())
    {
        const QString html = QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0\">%1<script>var shown = true;</script></body></html>").arg(body);
        testsupport::loadHtml(page, html, base);
        return testsupport::waitFor([&] { return testsupport::runScript(page, QStringLiteral("window.shown === true")).toBool(); });
    }

    // How many requests pages made to `path` on the test page host.
    int requestsTo(const QString& path) const
    {
        const QList<QUrl> requests = profile_->guard().allowedHostRequests();
        return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const QUrl& url) { return url.path() == path; }));
    }

    // A script that requests `path` on the test page host every 50 ms.
    static QString tickingScript(const QString& path)
    {
        return QStringLiteral("setInterval(() => fetch('%1').catch(() => {}), 50)").arg(testsupport::testPageBaseUrl().resolved(QUrl(path)).toString());
    }

    QWidget main_;
    std::unique_ptr<testsupport::IsolatedWebProfile> profile_;
    std::vector<std::unique_ptr<QWidget>> windows_;
    std::vector<std::unique_ptr<QObject>> panels_;
};

// Whether a window shows rendered page text (dark pixels) yet: the engine paints after it loads.
bool showsText(QWidget* window)
{
    const QImage image = window->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            dark += qGray(image.pixel(x, y)) < 90;
    return dark > 40;
}

QString pageWithAttribute(const QString& attribute)
{
    return QStringLiteral("<!DOCTYPE html><html><body %1><p>result</p></body></html>").arg(attribute);
}

// Records the addresses that reach the desktop's handler for a scheme, as long as it lives.
class DesktopRecorder final : public QObject {
    Q_OBJECT

public:
    explicit DesktopRecorder(const QString& scheme)
        : scheme_(scheme)
    {
        QDesktopServices::setUrlHandler(scheme_, this, "open");
    }
    ~DesktopRecorder() override { QDesktopServices::unsetUrlHandler(scheme_); }

    Q_INVOKABLE void open(const QUrl& url) { opened.append(url.toString()); }
    QStringList opened;

private:
    QString scheme_;
};

// Counts the dialogs that show while it lives, and sends each away again so that nothing waits.
class DialogWatcher final : public QObject {
public:
    DialogWatcher() { qApp->installEventFilter(this); }
    ~DialogWatcher() override { qApp->removeEventFilter(this); }

    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                ++shown;
                QPointer<QDialog> sent(dialog);
                dispatch::mainQueue().async([sent] {
                    if (sent)
                        sent->reject();
                });
            }
        }
        return false;
    }
};

} // namespace

TEST_F(AccountWebTest, TheServicesQQFormSignsInOnceThroughTheTrustedCertificate)
{
    auto* panel = openQQ();
    ASSERT_NE(panel->webView(), nullptr);
    ASSERT_TRUE(loaded(panel, "/pages/qq-login")) << "the local service's certificate is accepted through SSL_CERT_FILE";
    EXPECT_TRUE(signIns().empty()) << "the form carries no result";

    testsupport::runScript(*pageOf(panel), QStringLiteral("document.forms[0].submit(); true"));
    ASSERT_TRUE(testsupport::waitFor([&] { return !signIns().empty(); }, 30000));
    EXPECT_EQ(signIns().size(), 1u);
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "demo");
    EXPECT_FALSE(signIns()[0]["token"].stringValue().empty());
    EXPECT_TRUE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());
    EXPECT_FALSE(panel->window()->isVisible()) << "the login window closes";
    EXPECT_TRUE(panel->hasSignedIn());

    // The result page again: one sign-in per panel.
    pageOf(panel)->triggerAction(QWebEnginePage::Reload);
    testsupport::waitFor([&] { return !pageOf(panel)->isLoading(); }, 10000);
    settle();
    EXPECT_EQ(signIns().size(), 1u);
}

TEST_F(AccountWebTest, ResultsFromOtherOriginsAndHostileAttributesChangeNothing)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    const QString user = QStringLiteral(R"(PersonLoginData='{"uname":"mallory","token":"t"}')");

    // Another loopback origin (another port, plain http) carrying a valid result.
    ASSERT_TRUE(testsupport::loadHtml(*pageOf(panel), pageWithAttribute(user), QUrl("http://127.0.0.1:9/pages/qq-login")));
    settle();
    // The allowed origin with attributes that are no user.
    for (const QString& attribute : {QStringLiteral("PersonLoginData=''"), QStringLiteral("PersonLoginData='not json {'"),
                                     QStringLiteral("PersonLoginData='[1,2,3]'"), QStringLiteral(R"(PersonLoginData='"text"')"),
                                     QStringLiteral("PersonLoginData='null'"), QStringLiteral("data-other='1'")}) {
        ASSERT_TRUE(testsupport::loadHtml(*pageOf(panel), pageWithAttribute(attribute), allowedBase())) << attribute.toStdString();
        settle();
    }
    // Let the last reads come back before judging.
    testsupport::runScript(*pageOf(panel), QStringLiteral("1"));
    settle();
    EXPECT_TRUE(signIns().empty());
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin());

    // The same valid result on the allowed origin does sign in: the refusals above were real.
    ASSERT_TRUE(testsupport::loadHtml(*pageOf(panel), pageWithAttribute(user), allowedBase()));
    ASSERT_TRUE(testsupport::waitFor([&] { return signIns().size() == 1; }, 10000));
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "mallory");
}

TEST_F(AccountWebTest, AResultAfterAnotherSignInSignsNobodyIn)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    const Id editor = signInAs("editor", "editor123");
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(editor, KXSignInEvents::startAttempt()));
    panel->handleLoginData(QVariant(QStringLiteral(R"({"uname":"demo","token":"t-demo","is_agree":1})")), allowedBase());
    settle();
    ASSERT_EQ(signIns().size(), 1u);
    EXPECT_EQ(signIns()[0]["uname"].stringValue(), "editor");
    EXPECT_FALSE(KXUserCenterConfig::sharedKXUserCenterConfig().isAutologin()) << "the panel ended without a word";
}

TEST_F(AccountWebTest, NewWindowsLoadInThePanel)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    const QString target = QString::fromStdString(service().baseUrl() + "pages/help");
    const auto windowsBefore = QApplication::topLevelWidgets().count();
    testsupport::runScript(*pageOf(panel), QStringLiteral("window.open('%1'); true").arg(target));
    ASSERT_TRUE(loaded(panel, "/pages/help")) << "the new window's page replaced the panel's";
    EXPECT_EQ(QApplication::topLevelWidgets().count(), windowsBefore) << "no window of its own";
}

TEST_F(AccountWebTest, AClickedLinkOrScriptToAnotherSchemeReachesNoOpener)
{
    DesktopRecorder desktop(QStringLiteral("x-test"));
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    const QString help = allowedBase().resolved(QUrl("help")).toString();
    const QString page = QStringLiteral(R"(
<a href="x-test:link" style="position:absolute;left:0;top:0;width:300px;height:100px;display:block">link</a>
<button onclick="location.href = 'x-test:button'" style="position:absolute;left:0;top:150px;width:300px;height:100px">button</button>
<a href="%1" style="position:absolute;left:0;top:300px;width:300px;height:100px;display:block">help</a>
<script>var clicks = 0; document.addEventListener('click', () => ++clicks, true);</script>)").arg(help);
    ASSERT_TRUE(showPage(*pageOf(panel), page, allowedBase()));
    QStringList visited;
    QObject listening;
    QObject::connect(pageOf(panel), &QWebEnginePage::urlChanged, &listening, [&visited](const QUrl& url) { visited.append(url.toString()); });
    QWebEngineView* view = static_cast<KXWebEnginePanel*>(panel->webView())->view();
    ASSERT_TRUE(testsupport::waitFor([&] { return view->focusProxy() != nullptr; }));

    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(150, 50));
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(150, 200));
    ASSERT_TRUE(testsupport::waitFor([&] { return testsupport::runScript(*pageOf(panel), QStringLiteral("clicks")).toInt() == 2; }));
    EXPECT_EQ(pageOf(panel)->url(), allowedBase()) << "the page stays where it was";
    // A web link clicked afterwards loads once the engine has dealt with the two before it.
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(150, 350));
    ASSERT_TRUE(loaded(panel, "/pages/help"));
    settle();
    EXPECT_TRUE(desktop.opened.isEmpty()) << desktop.opened.join(", ").toStdString();
    EXPECT_EQ(visited, QStringList{help});
}

TEST_F(AccountWebTest, AHundredScriptWindowsLeaveNoPageAndNoTimer)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    ASSERT_TRUE(showPage(*pageOf(panel), QStringLiteral("opener")));
    // Each window gets a timer of its own; the opener's timer shows how much time went by.
    const QVariant opened = testsupport::runScript(*pageOf(panel), QStringLiteral(R"(
window.opened = [];
for (let i = 0; i < 100; ++i) {
    const w = window.open('');
    if (w) {
        opened.push(w);
        try { w.eval("%1"); } catch (e) {}
    }
}
%2;
opened.length)").arg(tickingScript("/opened"), tickingScript("/opener")), 120000);
    EXPECT_EQ(opened.toInt(), 100) << "scripts may still ask for windows";

    // The windows go one by one, later on a busy machine: the count starts once every one has
    // gone and a tick still on its way has had time to land.
    ASSERT_TRUE(testsupport::waitFor([&] {
        return testsupport::runScript(*pageOf(panel), QStringLiteral("opened.filter(w => !w.closed).length")).toInt() == 0
            && panel->findChildren<QWebEnginePage*>().size() == 1;
    }, 30000));
    const int settled = requestsTo("/opener") + 10;
    ASSERT_TRUE(testsupport::waitFor([&] { return requestsTo("/opener") >= settled; }, 30000));
    const int early = requestsTo("/opened");
    ASSERT_TRUE(testsupport::waitFor([&] { return requestsTo("/opener") >= settled + 30; }, 30000));
    EXPECT_EQ(requestsTo("/opened"), early) << "no window's timer runs on";
    EXPECT_EQ(panel->findChildren<QWebEnginePage*>().size(), 1);
}

TEST_F(AccountWebTest, AScriptWindowLoadsOnlyAWebAddressInThePanel)
{
    DesktopRecorder desktop(QStringLiteral("x-test"));
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    QStringList visited;
    QObject listening;
    QObject::connect(pageOf(panel), &QWebEnginePage::urlChanged, &listening, [&visited](const QUrl& url) { visited.append(url.toString()); });
    // A web address asked for later shows when the others were dealt with.
    const QString help = allowedBase().resolved(QUrl("help")).toString();
    testsupport::runScript(*pageOf(panel), QStringLiteral(R"(
window.open('qrc:/qt-project.org/qmessagebox/images/qtlogo-64.png');
window.open('x-test:window');
window.open('file:///etc/hostname');
setTimeout(() => window.open('%1'), 300);
true)").arg(help));
    ASSERT_TRUE(testsupport::waitFor([&] { return pageOf(panel)->url().toString() == help && !pageOf(panel)->isLoading(); }, 15000))
        << visited.join(", ").toStdString();
    EXPECT_EQ(visited, QStringList{help});
    EXPECT_TRUE(desktop.opened.isEmpty()) << desktop.opened.join(", ").toStdString();
}

TEST_F(AccountWebTest, ScriptDialogsShowNothing)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    DialogWatcher dialogs;
    const QVariant answers = testsupport::runScript(*pageOf(panel), QStringLiteral(R"(
for (let i = 0; i < 20; ++i) alert('again');
JSON.stringify([confirm('sure?'), prompt('name?', 'demo')]))"));
    EXPECT_EQ(answers.toString(), QStringLiteral("[false,null]")) << "a confirm answers no, a prompt is cancelled";
    EXPECT_EQ(dialogs.shown, 0);
}

TEST_F(AccountWebTest, AfterTheLoginWindowClosesItsPageRunsNothing)
{
    KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main_);
    {
        dispatch::VirtualClock::Scope time;
        controller.showCentred();
        controller.contentViewController()->qqLoginButton()->click();
        time.advance(0.5);
        settle();
    }
    auto* panel = controller.contentViewController()->findChild<KXLoginQQView*>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    ASSERT_TRUE(showPage(*pageOf(panel), QStringLiteral("<script>%1</script>").arg(tickingScript("/closed"))));
    ASSERT_TRUE(testsupport::waitFor([&] { return requestsTo("/closed") > 0; }));

    // A page in a window that stays keeps the time: it asks every 50 ms too.
    QWebEngineView witness;
    witness.setPage(new QWebEnginePage(profile_->profile(), &witness));
    witness.resize(200, 100);
    witness.show();
    ASSERT_TRUE(showPage(*witness.page(), QStringLiteral("<script>%1</script>").arg(tickingScript("/witness"))));

    controller.window()->close();
    ASSERT_FALSE(controller.window()->isVisible());
    // What the page asked for just before it ended may reach the network a while later, longer on
    // a busy machine: the page has ended once it asks for nothing while the witness ticks 20 times,
    // and from then on it asks for nothing more. A page that runs on never gets that far.
    const auto witnessed = [&](int ticks) {
        const int from = requestsTo("/witness");
        return testsupport::waitFor([&] { return requestsTo("/witness") >= from + ticks; }, 30000);
    };
    int ended = requestsTo("/closed");
    for (int rounds = 1;; ++rounds) {
        ASSERT_TRUE(witnessed(20));
        if (requestsTo("/closed") == ended)
            break;
        ended = requestsTo("/closed");
        ASSERT_LT(rounds, 15) << "the closed page still asks after " << rounds * 20 << " ticks of the witness";
    }
    ASSERT_TRUE(witnessed(60));
    EXPECT_EQ(requestsTo("/closed"), ended);
}

// A page's service worker would run on in the profile once the window is closed: registering one
// fails, and no worker asks for anything, while the page shows or after its window closed. The
// service's QQ sign-in page loads through the same profile first (and signs in, in the test above).
TEST_F(AccountWebTest, APageRegistersNoServiceWorker)
{
    // A loopback origin is a secure one: a worker could be registered there.
    urltest::HttpServer server;
    std::atomic<int> workerRequests = 0;
    std::atomic<int> witnessTicks = 0;
    server.routes().Get("/page", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"(<!DOCTYPE html><html><body>worker<script>
window.registration = 'pending';
navigator.serviceWorker.register('/worker.js').then(() => registration = 'registered', e => registration = 'failed: ' + e);
</script></body></html>)", "text/html");
    });
    server.routes().Get("/worker.js", [&](const httplib::Request&, httplib::Response& res) {
        ++workerRequests;
        res.set_content(R"(
const tick = () => fetch('/worker-tick').catch(() => {});
setInterval(tick, 50);
self.addEventListener('install', e => self.skipWaiting());
self.addEventListener('activate', e => e.waitUntil(new Promise(() => setInterval(tick, 50))));)", "text/javascript");
    });
    server.routes().Get("/worker-tick", [&](const httplib::Request&, httplib::Response& res) {
        ++workerRequests;
        res.set_content("ok", "text/plain");
    });
    server.routes().Get("/witness-tick", [&](const httplib::Request&, httplib::Response& res) {
        ++witnessTicks;
        res.set_content("ok", "text/plain");
    });
    server.start();

    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    panel->webView()->load(QUrl(QString::fromStdString(server.url("/page"))));
    ASSERT_TRUE(loaded(panel, "/page"));
    QString registration;
    ASSERT_TRUE(testsupport::waitFor([&] {
        registration = testsupport::runScript(*pageOf(panel), QStringLiteral("window.registration")).toString();
        return !registration.isEmpty() && registration != "pending";
    })) << registration.toStdString();
    EXPECT_TRUE(registration.startsWith("failed")) << registration.toStdString();

    // A page in a window that stays keeps the time while the worker could have asked.
    QWebEngineView witness;
    witness.setPage(new QWebEnginePage(profile_->profile(), &witness));
    witness.resize(200, 100);
    witness.show();
    ASSERT_TRUE(showPage(*witness.page(), QStringLiteral("<script>setInterval(() => fetch('%1').catch(() => {}), 50)</script>")
                                               .arg(QString::fromStdString(server.url("/witness-tick"))),
                         QUrl(QString::fromStdString(server.url("/")))));
    const auto witnessed = [&](int ticks) {
        const int from = witnessTicks;
        return testsupport::waitFor([&] { return witnessTicks >= from + ticks; }, 30000);
    };
    ASSERT_TRUE(witnessed(20));
    EXPECT_EQ(workerRequests, 0) << "while the page shows";
    panel->window()->close();
    ASSERT_TRUE(witnessed(40));
    EXPECT_EQ(workerRequests, 0) << "after its window closed";
}

TEST_F(AccountWebTest, AScriptStillRunningWhenThePanelGoesReachesNobody)
{
    auto* panel = openQQ();
    ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
    // The page answers pending scripts while it is destroyed; the answer must not reach the
    // panel's owner, which is being destroyed too.
    auto called = std::make_shared<bool>(false);
    panel->webView()->runJavaScript(QStringLiteral("(() => { const end = Date.now() + 300; while (Date.now() < end) {} return 1; })()"), [called](const QVariant&) { *called = true; });
    windows_.clear();
    settle();
    EXPECT_FALSE(*called);
}

TEST_F(AccountWebTest, TheWindowGrowsToTheQQPanel)
{
    dispatch::VirtualClock::Scope time;
    KXLoginWindowController controller(QStringLiteral("KXLoginWindowController"), &main_);
    controller.showCentred();
    QWidget* window = controller.window();
    const QRect before = window->geometry();
    controller.contentViewController()->qqLoginButton()->click();
    time.advance(0.25);
    settle();
    EXPECT_GT(window->width(), before.width());
    EXPECT_LT(window->width(), KXLoginViewController::kQQWidth) << "half-way through the ease-in";
    EXPECT_EQ(window->maximumSize(), window->size()) << "the kept size follows the growth";
    time.advance(0.25);
    settle();
    const QSize qq(KXLoginViewController::kQQWidth, KXLoginViewController::kQQHeight);
    EXPECT_EQ(window->size(), kx_fittedSize(window, qq)) << "as large as the screen allows";
    EXPECT_EQ(window->minimumSize(), window->size());
    EXPECT_EQ(window->maximumSize(), window->size());
    EXPECT_NE(controller.contentViewController()->findChild<KXLoginQQView*>(), nullptr);
    if (kx_canMoveWindows()) {
        // Inside the screen once grown.
        EXPECT_TRUE(main_.screen()->availableGeometry().contains(window->frameGeometry()));
    }

    // From the account panel the window grows the same way and the account panel leaves.
    KXLoginWindowController second(QStringLiteral("KXLoginWindowController"), &main_);
    second.showCentred();
    const QRect start = second.window()->frameGeometry();
    second.contentViewController()->phoneLogin();
    auto* account = second.contentViewController()->findChild<KXLoginPhoneMailView*>();
    ASSERT_NE(account, nullptr);
    account->qqBtn()->click();
    time.advance(0.5);
    settle();
    EXPECT_EQ(second.window()->size(), kx_fittedSize(second.window(), qq));
    if (kx_canMoveWindows()) {
        // Not centred on this path: moved 60 right, or back as far as keeps it on the screen.
        const QRect available = main_.screen()->availableGeometry();
        const QRect grown = second.window()->frameGeometry();
        EXPECT_TRUE(available.contains(grown)) << grown.x() << " + " << grown.width() << " on " << available.width();
        EXPECT_EQ(grown.topLeft(), QPoint(std::min(start.x() + 60, available.right() + 1 - grown.width()), start.y()));
    }
    EXPECT_EQ(account->parentWidget(), nullptr);
}

// The page holds the keys (a click into it gives them to the engine's widget); Escape still
// refuses the agreement, and closes the sign-in window over the QQ page.
TEST_F(AccountWebTest, EscapeInAPageReachesItsWindow)
{
    const auto escapeInPage = [](KXWebEnginePanel* web) {
        ASSERT_TRUE(testsupport::waitFor([&] { return web->url().isValid() && !web->page()->isLoading() && web->view()->focusProxy(); }, 30000));
        QWidget* keys = web->view()->focusProxy();
        QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(20, 20));
        keys->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), keys);
        QTest::keyClick(keys, Qt::Key_Escape);
    };

    std::vector<std::string> answers;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXSignInEvents::kAgreementNotification, Id(), nullptr,
        [&](const dispatch::Notification& n) { answers.push_back(Id(n.userInfo)["isAgree"].stringValue()); });
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main_);
    agreement.showCentred();
    escapeInPage(static_cast<KXWebEnginePanel*>(agreement.contentViewController()->webView()));
    EXPECT_FALSE(agreement.window()->isVisible());
    EXPECT_EQ(answers, std::vector<std::string>{"0"}) << "refused once";

    dispatch::VirtualClock::Scope time;
    KXLoginWindowController login(QStringLiteral("KXLoginWindowController"), &main_);
    login.showCentred();
    login.contentViewController()->qqLoginButton()->click();
    time.advance(0.5);
    settle();
    auto* qq = login.contentViewController()->findChild<KXLoginQQView*>();
    ASSERT_NE(qq, nullptr);
    escapeInPage(static_cast<KXWebEnginePanel*>(qq->webView()));
    EXPECT_FALSE(login.window()->isVisible());
}

TEST_F(AccountWebTest, TheAgreementPageAndPictures)
{
    for (bool day : {true, false}) {
        KXThemeManager::themeManager().setIsNight(day);
        const QString suffix = day ? "day" : "night";
        KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main_);
        agreement.showCentred();
        auto* web = static_cast<KXWebEnginePanel*>(agreement.contentViewController()->webView());
        ASSERT_NE(web, nullptr);
        EXPECT_EQ(agreement.contentViewController()->browserLink(), nullptr);
        ASSERT_TRUE(testsupport::waitFor([&] { return web->url().path() == "/pages/agreement" && !web->page()->isLoading(); }, 30000));
        EXPECT_EQ(testsupport::runScript(*web->page(), QStringLiteral("document.title")).toString(), QStringLiteral("用户协议"));
        ASSERT_TRUE(testsupport::waitFor([&] { return showsText(agreement.window()); }, 10000));
        accounttest::screenshot(agreement.window(), QStringLiteral("account-agreement-web-%1").arg(suffix));

        auto* panel = openQQ();
        ASSERT_TRUE(loaded(panel, "/pages/qq-login"));
        ASSERT_TRUE(testsupport::waitFor([&] { return showsText(panel->window()); }, 10000));
        accounttest::screenshot(panel->window(), QStringLiteral("account-login-qq-%1").arg(suffix));
    }
}

TEST_F(AccountWebTest, TheAgreementLoadsItsPageAgainWhenShownAgain)
{
    KXRegisterAgreementWC agreement(QStringLiteral("KXRegisterAgreementWC"), &main_);
    agreement.showCentred();
    auto* web = static_cast<KXWebEnginePanel*>(agreement.contentViewController()->webView());
    ASSERT_NE(web, nullptr);
    const auto shown = [&] { return web->url().path() == "/pages/agreement" && !web->page()->isLoading(); };
    ASSERT_TRUE(testsupport::waitFor(shown, 30000));
    testsupport::runScript(*web->page(), QStringLiteral("window.earlier = true"));

    agreement.window()->close();
    settle();
    agreement.showCentred();
    ASSERT_TRUE(testsupport::waitFor([&] {
        return shown() && testsupport::runScript(*web->page(), QStringLiteral("typeof window.earlier")).toString() == "undefined";
    }, 30000)) << "the page was loaded again";
    EXPECT_EQ(testsupport::runScript(*web->page(), QStringLiteral("document.title")).toString(), QStringLiteral("用户协议"));
    ASSERT_TRUE(testsupport::waitFor([&] { return showsText(agreement.window()); }, 10000));
    accounttest::screenshot(agreement.window(), QStringLiteral("account-agreement-web-shown-again"));
}

#include "AccountWebTests.moc"
