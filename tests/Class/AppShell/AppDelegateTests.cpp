#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXBegainWindow.h"
#include "Class/AppShell/KXCatalogueUpdater.h"
#include "Class/AppShell/KXIncomingLinks.h"
#include "Class/AppShell/KXStartupRules.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "ScopedLinkLog.h"
#include "ScreenshotSupport.h"
#include "ShellServiceTest.h"
#include "Support/PageTrace.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <thread>

using foundation::Id;
using localservice::Fault;

namespace {

class AppDelegateTest : public shelltest::ShellServiceTest {
protected:
    void TearDown() override
    {
        AppDelegate::sharedAppDelegate().setTrayAvailability(nullptr);
        AppDelegate::sharedAppDelegate().setShowWindow(nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        KXGlobalDataBase::sharedKXGlobalDataBase().setUpdateDataDic(nullptr);
        ShellServiceTest::TearDown();
    }

    static QWidget* showWindow()
    {
        auto* window = new QWidget();
        window->resize(300, 200);
        window->show();
        AppDelegate::sharedAppDelegate().setShowWindow(window);
        return window;
    }

    // A pending partial update whose download waits, so a started job can be seen running.
    static void setSlowPendingUpdate()
    {
        Fault slow;
        slow.delay = std::chrono::milliseconds(200);
        service().faults().set("packages/partial.zip", slow);
        KXGlobalDataBase::sharedKXGlobalDataBase().setUpdateDataDic(foundation::Dictionary::create(
            {{Id("data_version"), Id("20261201120000")}, {Id("dataUrl"), Id(service().baseUrl() + "files/packages/partial.zip")}}));
        KXGlobalDataBase::sharedKXGlobalDataBase().setPartialUpdate(true);
    }

    static std::size_t updateDownloads()
    {
        std::size_t count = 0;
        for (const auto& file : service().requestLog().fileEntries())
            count += file.path == "packages/partial.zip" ? 1 : 0;
        return count;
    }

    static void setTray(bool available)
    {
        AppDelegate::sharedAppDelegate().setTrayAvailability([available] { return available; });
    }

    // Quits through the application's event loop and answers its exit status (1 where the quit
    // was given up).
    static int quitThroughTheEventLoop()
    {
        auto drain = dispatch::QtMainQueueDrain::install();
        auto ended = std::make_shared<bool>(false);
        dispatch::mainQueue().async([] { QCoreApplication::quit(); });
        // A quit that was given up would otherwise hold the test for ever.
        dispatch::mainQueue().after(20, [ended] {
            if (!*ended)
                QCoreApplication::exit(1);
        });
        const int status = QApplication::exec();
        *ended = true;
        return status;
    }
};



// Counts the raises a window is sent.
struct ZOrderChanges : QObject {
    explicit ZOrderChanges(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::ZOrderChange ? 1 : 0;
        return false;
    }
    int count = 0;
};

} // namespace

TEST_F(AppDelegateTest, GuardReportsGoToTheServiceAsClientErrors)
{
    AppDelegate::sharedAppDelegate().setupCrashRank();
    EXPECT_TRUE(foundation::MutableArray::create()->objectAtIndex(2).isNil());
    ASSERT_TRUE(waitFor([] { return !service().requestLog().withTag("120").empty(); }));
    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "clientError");
    EXPECT_EQ(*request.param("module"), "主程序");
    EXPECT_EQ(*request.param("error_info"),
              "{\n"
              "  \"defaultToDo\" : \"CrashGuard default is to return nil to avoid crash.\",\n"
              "  \"errorName\" : \"NSRangeException\",\n"
              "  \"errorPlace\" : \"Error Place:-[AppDelegateTest_GuardReportsGoToTheServiceAsClientErrors_Test TestBody]\",\n"
              "  \"errorReason\" : \"*** -[NSMutableArray objectAtIndex:]: index 2 beyond bounds for empty array\"\n"
              "}");
}

TEST_F(AppDelegateTest, ARestoredCatalogueCopyTakesTheBaselineDataVersion)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    // As an update applied earlier in this session leaves it.
    defaults.setObject(Id("A20261201120000"), "dataVersion");
    AppDelegate::sharedAppDelegate().watchCatalogueCopy();
    // Restored on the thread whose read found the damage.
    std::thread([] { dispatch::NotificationCenter::defaultCenter().post(KXBaseDBManager::kCatalogueRestoredNotification); }).join();
    EXPECT_TRUE(waitFor([&] { return defaults.objectForKey("dataVersion").stringValue() == KXStartupRules::kBaselineDataVersion; }));
}

TEST_F(AppDelegateTest, ACatalogueThatCannotBeCopiedIsNamedOnceInTheToast)
{
    QWidget* window = showWindow();
    AppDelegate::sharedAppDelegate().watchCatalogueCopy();
    std::thread([] { dispatch::NotificationCenter::defaultCenter().post(KXBaseDBManager::kCatalogueReadOnlyNotification); }).join();
    ASSERT_TRUE(waitFor([this] { return !toasts_->shown.empty(); }));
    ASSERT_EQ(toasts_->shown.size(), 1u);
    const auto folder = KXCatalogueFile::writablePath().parent_path().lexically_relative(foundation::Paths::homeDirectory());
    EXPECT_EQ(toasts_->shown[0].message, "无法写入数据文件夹，字库更新不会保存：~/" + folder.string());
    EXPECT_EQ(toasts_->shown[0].window, window);
}

// The splash reads the catalogue ahead as it hands over to the main window, and hides: the toast
// waits for the main window.
TEST_F(AppDelegateTest, ACatalogueThatCannotBeCopiedFoundByTheSplashIsNamedOnTheMainWindow)
{
    auto* splash = new KXBegainWindow();
    splash->show();
    AppDelegate::sharedAppDelegate().setShowWindow(splash);
    AppDelegate::sharedAppDelegate().watchCatalogueCopy();
    dispatch::NotificationCenter::defaultCenter().post(KXBaseDBManager::kCatalogueReadOnlyNotification);
    bool drained = false; // the main queue runs in order: anything queued before has run
    dispatch::mainQueue().async([&drained] { drained = true; });
    ASSERT_TRUE(waitFor([&drained] { return drained; }));
    EXPECT_TRUE(toasts_->shown.empty()) << "not over the splash that is going away";
    splash->hide();
    QWidget* main = showWindow();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(waitFor([this] { return !toasts_->shown.empty(); }));
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].window, main);
}

TEST_F(AppDelegateTest, AnIncomingAddressIsShownAsPlainText)
{
    const QString address = QStringLiteral("corvane://open?name=<b>粗体</b>&x=<img src=x>");
    AppDelegate::sharedAppDelegate().handleURLEvent(address);
    QMessageBox* alert = AppDelegate::sharedAppDelegate().urlAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->text(), QStringLiteral("URL Request"));
    auto* informative = alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(informative, nullptr);
    EXPECT_EQ(informative->textFormat(), Qt::PlainText);
    EXPECT_EQ(informative->text(), address);
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().front()->text(), QStringLiteral("OK"));
    alert->buttons().front()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(AppDelegate::sharedAppDelegate().urlAlert(), nullptr);
}

TEST_F(AppDelegateTest, AnAddressAlertOutlivesTheHandOverToTheMainWindow)
{
    QPointer<QWidget> splash = showWindow();
    AppDelegate::sharedAppDelegate().handleURLEvent(QStringLiteral("corvane://font/7"));
    QPointer<QMessageBox> alert = AppDelegate::sharedAppDelegate().urlAlert();
    ASSERT_NE(alert, nullptr);
    const Qt::WindowFlags flags = alert->windowFlags();

    QPointer<QWidget> main = showWindow();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(splash) << "the splash is released";
    ASSERT_TRUE(alert) << "the alert is still waiting for its answer";
    EXPECT_EQ(alert->parentWidget(), main.data());
    EXPECT_EQ(alert->windowFlags(), flags);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->informativeText(), QStringLiteral("corvane://font/7"));
    alert->buttons().front()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alert);
}

// The window manager's close, as the window system delivers it: to the native window.
TEST_F(AppDelegateTest, WithATrayClosingTheShownWindowHidesItKeepingItsNativeWindowAndStartsTheDataUpdate)
{
    setTray(true);
    QPointer<QWidget> window = showWindow();
    std::unique_ptr<QWidget> publish(kx_makeTransientWindow(window, QSize(200, 150), QStringLiteral("test")));
    publish->show();
    const WId native = window->winId();
    setSlowPendingUpdate();
    EXPECT_FALSE(window->windowHandle()->close());
    EXPECT_TRUE(window) << "closed windows are kept";
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(window->windowHandle()->handle(), nullptr) << "with its native window";
    EXPECT_EQ(window->winId(), native);
    EXPECT_TRUE(publish->isVisible()) << "a window transient for it stays as it is";
    EXPECT_EQ(publish->windowHandle()->transientParent(), window->windowHandle());
    EXPECT_TRUE(KXCatalogueUpdater::shared().isRunning());
    ASSERT_TRUE(waitFor([] { return !KXCatalogueUpdater::shared().isRunning(); }));

    AppDelegate::sharedAppDelegate().applicationShouldHandleReopen();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->winId(), native);
}

TEST_F(AppDelegateTest, WithoutATrayClosingTheShownWindowMinimisesIt)
{
    setTray(false);
    QPointer<QWidget> window = showWindow();
    setSlowPendingUpdate();
    service().requestLog().clear();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible()) << "it stays in the task bar";
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(KXCatalogueUpdater::shared().isRunning());
    ASSERT_TRUE(waitFor([] { return !KXCatalogueUpdater::shared().isRunning(); }));
    EXPECT_EQ(updateDownloads(), 1u) << "the update starts once";

    AppDelegate::sharedAppDelegate().applicationShouldHandleReopen();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AppDelegateTest, WithoutATrayQuittingStillClosesTheShownWindowAndEnds)
{
    setTray(false);
    QPointer<QWidget> window = showWindow();
    EXPECT_EQ(quitThroughTheEventLoop(), 0) << "the quit went through";
    EXPECT_FALSE(window->isVisible()) << "the shown window gave way to the quit";
    EXPECT_FALSE(window->isMinimized());

    // Once the quit is over, the close button minimises again.
    dispatch::RunLoop::drain();
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(AppDelegateTest, WithATrayQuittingStillClosesTheShownWindowAndEnds)
{
    setTray(true);
    QPointer<QWidget> window = showWindow();
    EXPECT_EQ(quitThroughTheEventLoop(), 0) << "the quit went through";
    EXPECT_FALSE(window->isVisible()) << "the shown window gave way to the quit";

    // Once the quit is over, the close button hides it again, kept.
    dispatch::RunLoop::drain();
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(window->windowHandle()->handle(), nullptr);
}

TEST_F(AppDelegateTest, MinimisingTheShownWindowStartsTheDataUpdateAndReopenRestoresIt)
{
    QPointer<QWidget> window = showWindow();
    setSlowPendingUpdate();
    window->showMinimized();
    EXPECT_TRUE(KXCatalogueUpdater::shared().isRunning());
    ASSERT_TRUE(waitFor([] { return !KXCatalogueUpdater::shared().isRunning(); }));
    AppDelegate::sharedAppDelegate().applicationShouldHandleReopen();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AppDelegateTest, BecomingActiveLeavesTheKeysWithTheTransientWindowReceivingThem)
{
    QWidget* window = showWindow();
    std::unique_ptr<QWidget> settings(kx_makeTransientWindow(window, QSize(200, 150), QStringLiteral("test")));
    settings->show();
    settings->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settings.get()));
    ASSERT_EQ(QGuiApplication::focusWindow(), settings->windowHandle());
    // A drag of the transient window ends: the application is active, the transient window
    // focused, and no window named active yet.
    EXPECT_FALSE(AppDelegate::activationGivesKeysTo(window, nullptr, settings->windowHandle()));
    EXPECT_FALSE(AppDelegate::activationGivesKeysTo(window, settings.get(), settings->windowHandle()));
    // The shown window focused, or nothing of ours yet: it takes them.
    EXPECT_TRUE(AppDelegate::activationGivesKeysTo(window, nullptr, window->windowHandle()));
    EXPECT_TRUE(AppDelegate::activationGivesKeysTo(window, window, window->windowHandle()));
    EXPECT_TRUE(AppDelegate::activationGivesKeysTo(window, nullptr, nullptr));
    EXPECT_FALSE(AppDelegate::activationGivesKeysTo(nullptr, nullptr, nullptr));

    // Becoming active then leaves the shown window where the window manager stacked it: a raise
    // would be taken for an activation by some window managers.
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QGuiApplication::focusWindow(), settings->windowHandle());
    ZOrderChanges raised(window);
    AppDelegate::sharedAppDelegate().applicationDidBecomeActive();
    QApplication::processEvents();
    EXPECT_EQ(raised.count, 0);
    EXPECT_EQ(QGuiApplication::focusWindow(), settings->windowHandle());

    // With no other window of ours focused, the shown window comes up and takes the keys.
    settings->close();
    QApplication::setActiveWindow(nullptr);
    AppDelegate::sharedAppDelegate().applicationDidBecomeActive();
    EXPECT_GE(raised.count, 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

TEST_F(AppDelegateTest, ALaterStartReopensAndShowsItsAddresses)
{
    QPointer<QWidget> window = showWindow();
    window->hide();
    AppDelegate::sharedAppDelegate().handleLaterStart({QStringLiteral("--verbose"), QStringLiteral("corvane://font/7")}, {}, {});
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(AppDelegate::sharedAppDelegate().urlAlert(), nullptr);
    EXPECT_EQ(AppDelegate::sharedAppDelegate().urlAlert()->informativeText(), QStringLiteral("corvane://font/7"));
    AppDelegate::sharedAppDelegate().urlAlert()->close();
}

namespace {

using shelltest::ScopedLinkLog;

std::vector<QMessageBox*> openAlerts()
{
    std::vector<QMessageBox*> alerts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* alert = qobject_cast<QMessageBox*>(widget); alert && alert->isVisible())
            alerts.push_back(alert);
    }
    return alerts;
}

void closeAlerts()
{
    for (QMessageBox* alert : openAlerts())
        alert->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// A link of 120,000 characters: the alert shows its beginning and end, and fits the screen with
// its button.
TEST_F(AppDelegateTest, ALongLinksAlertFitsTheScreensAvailableArea)
{
    showWindow();
    QString link = QStringLiteral("corvane://font/7?q=");
    for (int index = 0; link.size() < 120000; ++index)
        link += QString::number(index % 10);
    link += QStringLiteral("&end=1");
    AppDelegate::sharedAppDelegate().handleURLEvent(link);
    QMessageBox* alert = AppDelegate::sharedAppDelegate().urlAlert();
    ASSERT_NE(alert, nullptr);
    QApplication::processEvents();
    const QRect available = alert->screen()->availableGeometry();
    EXPECT_LE(alert->frameGeometry().width(), available.width());
    EXPECT_LE(alert->frameGeometry().height(), available.height());
    const QRect button(alert->buttons().front()->mapTo(alert, QPoint()), alert->buttons().front()->size());
    EXPECT_TRUE(alert->rect().contains(button)) << "the OK button is inside the alert";
    const QString shown = QString(alert->informativeText()).remove(QChar(0x200b)); // the breaks that let it wrap
    EXPECT_LE(shown.size(), KXIncomingLinks::kMaxShownLength);
    EXPECT_GE(shown.size(), 200);
    const qsizetype half = shown.size() / 2 - 1;
    EXPECT_TRUE(shown.startsWith(link.left(half)) && shown.endsWith(link.right(half))) << shown.size();
    EXPECT_EQ(shown.count(QChar(0x2026)), 1);
    shelltest::saveScreenshot(alert, QStringLiteral("appdelegate-long-link-alert"));
    closeAlerts();
}

// One message of 300 links: the first few open an alert each, the rest are logged. A link longer
// than the desktop hands over, and an activation permit longer than any, are refused and logged.
TEST_F(AppDelegateTest, OneMessageOpensAtMostAFewAlertsAndRefusesOversizedParts)
{
    showWindow();
    ScopedLinkLog logged;
    QStringList links;
    for (int index = 0; index < 300; ++index)
        links.append(QStringLiteral("corvane://font/%1").arg(index));
    AppDelegate::sharedAppDelegate().handleLaterStart(links, {}, {});
    auto alerts = openAlerts();
    EXPECT_EQ(alerts.size(), std::size_t(KXIncomingLinks::kMaxAlertsPerMessage));
    QStringList shown;
    for (QMessageBox* alert : alerts)
        shown.append(alert->informativeText());
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("corvane://font/0"), QStringLiteral("corvane://font/1"),
                                  QStringLiteral("corvane://font/2")}));
    ASSERT_EQ(logged.lines().size(), 1u);
    EXPECT_NE(logged.lines()[0].find("297"), std::string::npos) << logged.lines()[0];
    closeAlerts();

    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    const QString tooLong = QStringLiteral("corvane://x/") + QString(KXIncomingLinks::kMaxLinkLength, QLatin1Char('a'));
    AppDelegate::sharedAppDelegate().handleLaterStart({tooLong}, QString(1025, QLatin1Char('t')), QString(2000, QLatin1Char('s')));
    EXPECT_TRUE(openAlerts().empty());
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("DESKTOP_STARTUP_ID"));
    EXPECT_EQ(logged.lines().size(), 4u);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    closeAlerts();
}

TEST_F(AppDelegateTest, ADeactivationIsTracedAsAnEmptyLineOnlyWhenTheTraceIsOn)
{
    {
        testsupport::PageTrace off(false);
        AppDelegate::sharedAppDelegate().applicationWillResignActive();
        EXPECT_TRUE(off.lines().empty());
    }
    testsupport::PageTrace trace(true);
    AppDelegate::sharedAppDelegate().applicationWillResignActive();
    EXPECT_EQ(trace.lines(), std::vector<QString>{QString()});
}

TEST_F(AppDelegateTest, TerminationWaitsForTheUseTimeReportAndTheCacheExpiry)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setAppStartTime(1);
    AppDelegate::sharedAppDelegate().applicationWillTerminate();
    // No further waiting: the report was answered before termination went on.
    const auto reports = service().requestLog().withTag("126");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_GT(std::stoll(*reports[0].param("duration")), 1'000'000'000);
    // Asking again answers for the pass quitting started: it had ended too.
    EXPECT_TRUE(ILImageCache::sharedImageCache()->applicationWillTerminate()());
    // The cache was closed for the exit: a store keeps to memory now.
    const auto key = foundation::String::create("stored after the quit");
    ILImageCache::sharedImageCache()->storeImageDataToDisk(
        foundation::Data::create(std::string_view("bytes")), key);
    EXPECT_FALSE(ILImageCache::sharedImageCache()->diskImageDataExistsWithKey(key));
}
