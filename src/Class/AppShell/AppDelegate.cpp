#include "Class/AppShell/AppDelegate.h"

#include "Class/AppShell/KXAppSettingWindowController.h"
#include "Class/AppShell/KXBegainViewController.h"
#include "Class/AppShell/KXBegainWindow.h"
#include "Class/AppShell/KXCatalogueUpdater.h"
#include "Class/AppShell/KXDefaults.h"
#include "Class/AppShell/KXDeviceInfo.h"
#include "Class/AppShell/KXIncomingLinks.h"
#include "Class/AppShell/KXStartupReports.h"
#include "Class/AppShell/KXStartupRules.h"
#include "Class/AppShell/KXStartupTrace.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Class/Theme/ToastPresenter.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOpenerKeys.h"
#include "Class/UIKit/KXPageLog.h"
#include "Lib/CrashGuard/CrashGuard.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <utility>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.0.0"
#endif

using foundation::Id;

namespace {

// The least of a long link an alert shows, however small the screen.
constexpr qsizetype kMinShownLength = 200;

// Sees the application's Quit event before the application closes its windows. An application
// filter sees every event of the process: it stays apart from the shown window's filter, which
// would otherwise see that window's events twice.
class QuitWatch : public QObject {
public:
    explicit QuitWatch(std::function<void()> started)
        : started_(std::move(started))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && watched == qApp)
            started_();
        return false;
    }

private:
    std::function<void()> started_;
};

} // namespace

AppDelegate& AppDelegate::sharedAppDelegate()
{
    static AppDelegate* instance = new AppDelegate(); // lives as long as the process
    return *instance;
}

AppDelegate::AppDelegate()
{
    setTrayAvailability(nullptr);
}

void AppDelegate::setTrayAvailability(TrayAvailability availability)
{
    trayAvailability_
        = availability ? std::move(availability) : TrayAvailability(&QSystemTrayIcon::isSystemTrayAvailable);
}

QWidget* AppDelegate::makeMainWindow() const
{
    return mainWindowFactory_ ? mainWindowFactory_() : nullptr;
}

void AppDelegate::setShowWindow(QWidget* window)
{
    if (window == showWindow_)
        return;
    if (showWindow_) {
        showWindow_->removeEventFilter(this);
        // The alert stays until it is answered: it would go with the window it belongs to.
        if (window && urlAlert_ && urlAlert_->parentWidget() == showWindow_) {
            urlAlert_->setParent(window, urlAlert_->windowFlags());
            urlAlert_->show();
        }
        showWindow_->deleteLater();
        // The start's notice of unreadable settings was over the splash for a moment only.
        if (window)
            kx_repeatSettingsFileNotice(foundation::UserDefaults::standardUserDefaults(),
                [this] { return ToastWindow { showWindow_.data() }; });
    }
    showWindow_ = window;
    if (window && !quitWatch_ && qApp)
        quitWatch_ = std::make_unique<QuitWatch>([this] { quitStarted(); });
    if (window && qApp)
        kx_handKeysBackToOpeners();
    if (window) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->installEventFilter(this);
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    watchCatalogueCopy();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    kx_reportSettingsFile(defaults, [this] { return ToastWindow { showWindow_.data() }; });
    kx_storeDefault(defaults, "appVersion", Id(CORVANE_VERSION));
    defaults.synchronize();
    const KXDeviceInfo::Description device = KXDeviceInfo::read(KXDeviceInfo::systemRoots());
    KXDeviceInfo::store(device, defaults);

    setupCrashRank();

    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setAppStartTime(static_cast<long long>(std::floor(dispatch::Clock::current()->secondsSince1970())));

    auto* splash = new KXBegainWindow();
    auto* controller = new KXBegainViewController(splash);
    splash->setContentViewController(controller);
    splash->setWindowOpacity(1.0);
    splash->show();
    splash->raise();
    setShowWindow(splash);

    auto imageCache = ILImageCache::sharedImageCache()->config();
    // Each write keeps the cache within the size and away from the room downloads need.
    static_assert(ILDefaultDiskFreeSpaceReserve > KXSessionLimits::kDownloadFreeSpaceReserve);
    imageCache->setMaxDiskSize(1073741824);
    // Decoded pixels are the cost: a bound in bytes keeps memory flat however far a list scrolls.
    imageCache->setMaxMemoryCost(ILMemoryCache::defaultCostLimit());
    imageCache->setMaxMemoryCount(20480);
    imageCache->setShouldUseWeakMemoryCache(true);
    imageCache->setShouldRemoveExpiredDataWhenEnterBackground(true);

    KXStartupReports::uploadhttpError();
    KXStartupReports::sendFirstStartReport(defaults);
    KXDeviceInfo::storeTypeFrom(device, defaults);
    KXStartupReports::sendLaunchReport();

    installTrayIcon();
}

void AppDelegate::setupCrashRank()
{
    CrashGuard::makeAllEffective();
    // The delegate lives as long as the process, so its observer needs no weak reference.
    crashObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        CrashGuard::kNotificationName, Id(), nullptr,
        [this](const dispatch::Notification& notification) { dealwithCrashMessage(notification); });
}

void AppDelegate::watchCatalogueCopy()
{
    catalogueObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXBaseDBManager::kCatalogueRestoredNotification, Id(), &dispatch::mainQueue(),
        [](const dispatch::Notification&) {
            KXStartupRules::catalogueRestored(foundation::UserDefaults::standardUserDefaults());
        });
    readOnlyCatalogueObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXBaseDBManager::kCatalogueReadOnlyNotification, Id(), &dispatch::mainQueue(),
        [this](const dispatch::Notification&) {
            const std::string message = "无法写入数据文件夹，字库更新不会保存："
                + foundation::Paths::displayPath(KXCatalogueFile::writablePath().parent_path());
            const auto show = [message](QWidget* window) {
                if (const auto toasts = ToastPresenter::shared())
                    toasts->show(message, ToastStyle::Error, ToastWindow { window });
            };
            // The splash reads the catalogue as it hands over to the main window: said there, the
            // toast would go with it.
            if (auto* splash = qobject_cast<KXBegainWindow*>(showWindow_.data()))
                connect(splash, &QObject::destroyed, this, [this, show] {
                    dispatch::mainQueue().async([this, show] { show(showWindow_.data()); });
                });
            else
                show(showWindow_.data());
        });
}

void AppDelegate::dealwithCrashMessage(const dispatch::Notification& notification)
{
    crashForwarder_.dealwithCrashMessage(notification);
}

void AppDelegate::releaseWindows()
{
    settingWC_.reset();
    if (QWidget* window = showWindow_) {
        window->removeEventFilter(this);
        showWindow_ = nullptr;
        delete window;
    }
    delete urlAlert_;
    delete trayIcon_;
    trayIcon_ = nullptr;
    trayMenu_.reset();
}

void AppDelegate::installTrayIcon()
{
    if (trayIcon_ || !isTrayAvailable())
        return;
    trayIcon_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->addAction(QStringLiteral("显示主窗口"), this, [this] { applicationShouldHandleReopen(); });
    trayMenu_->addAction(QStringLiteral("退出"), qApp, &QCoreApplication::quit);
    trayIcon_->setContextMenu(trayMenu_.get());
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            applicationShouldHandleReopen();
    });
    trayIcon_->show();
}

void AppDelegate::bringShowWindowToFront(bool activate)
{
    if (!showWindow_)
        return;
    if (showWindow_->isMinimized())
        showWindow_->showNormal();
    else
        showWindow_->show();
    showWindow_->raise();
    if (activate)
        showWindow_->activateWindow();
}

void AppDelegate::applicationDidBecomeActive()
{
    // A cart whose last read failed after a lost write is read at the next look; the badge
    // follows that read. So is the count of unpaid orders while an order's outcome is unknown.
    KXAccountWrites::readIfStale(KXAccountWrites::Read::Cart);
    KXAccountWrites::readIfStale(KXAccountWrites::Read::UnpaidCount);
    // Another window of ours that the user just clicked or dragged keeps the keys, and the shown
    // window stays where the window manager stacked it: some window managers take a raise for an
    // activation and would hand it the keys.
    if (showWindow_ && showWindow_->isVisible()
        && activationGivesKeysTo(showWindow_, QApplication::activeWindow(), QGuiApplication::focusWindow()))
        bringShowWindowToFront(true);
}

bool AppDelegate::activationGivesKeysTo(
    const QWidget* shown, const QWidget* activeWindow, const QWindow* focusWindow)
{
    if (!shown)
        return false;
    const QWidget* window = shown->window();
    if (activeWindow && activeWindow != window)
        return false;
    return !focusWindow || focusWindow == window->windowHandle();
}

void AppDelegate::applicationWillResignActive()
{
    qCDebug(kxPages).noquote() << QString();
}

bool AppDelegate::applicationShouldHandleReopen()
{
    kxtrace::mark("reopen");
    bringShowWindowToFront(true);
    return true;
}

void AppDelegate::handleLaterStart(
    const QStringList& arguments, const QString& activationToken, const QString& startupId)
{
    // The desktop hands its activation permit to whoever raises a window next.
    if (!activationToken.isEmpty() && KXIncomingLinks::acceptsPermit(activationToken, "activation token"))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    if (!startupId.isEmpty() && KXIncomingLinks::acceptsPermit(startupId, "startup id"))
        qputenv("DESKTOP_STARTUP_ID", startupId.toUtf8());
    applicationShouldHandleReopen();
    for (const QString& link : KXIncomingLinks::linksToShow(arguments))
        handleURLEvent(link);
}

void AppDelegate::applicationWillTerminate()
{
    kxtrace::mark("terminate");
    // Settings a failed write left in memory only (a sign-out on a full disk removes the file)
    // get their last chance.
    foundation::UserDefaults::standardUserDefaults().synchronize();
    // The report and the image cache's expiry run side by side; the wait for both is bounded, and
    // the only one at quit (the cache starts its pass on the same signal, whichever comes first,
    // and waits for nothing).
    const auto started = std::chrono::steady_clock::now();
    auto reported = std::make_shared<bool>(false);
    KXStartupReports::sendUsedTime([reported] { *reported = true; });
    const auto cache = ILImageCache::sharedImageCache();
    const auto expired = cache->applicationWillTerminate();
    dispatch::RunLoop::runUntil([reported, expired] { return *reported && expired(); }, kQuitWaitSeconds);
    // No worker may still write into the cache when the exit handlers tear down what it uses: a
    // slow disk costs the writes still queued, not a hang or a crash at quit.
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
    dispatch::RunLoop::runUntil(
        cache->closeForExit(), std::max(kQuitWaitSeconds - spent.count(), kLastWriteWaitSeconds));
}

void AppDelegate::windowDidMiniaturize()
{
    updateAppData();
}

bool AppDelegate::windowShouldClose()
{
    updateAppData();
    return true;
}

void AppDelegate::updateAppData()
{
    KXCatalogueUpdater::shared().updateAppData();
}

void AppDelegate::handleURLEvent(const QString& url)
{
    if (!KXIncomingLinks::acceptsLink(url))
        return;
    kxtrace::mark("url-alert", url.toStdString());
    auto* alert = new QMessageBox(showWindow_);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::ApplicationModal);
    // A message box is named after the application by default, as the main window is.
    alert->setWindowTitle(QString::fromUtf8(kURLAlertTitle));
    alert->setIcon(QMessageBox::Information);
    alert->setTextFormat(Qt::PlainText);
    alert->setText(QStringLiteral("URL Request"));
    // A long link would make an alert taller than the screen, its button out of reach.
    alert->setInformativeText(KXIncomingLinks::shownText(url));
    // The address is whatever the sender wrote: never markup.
    if (auto* informative = alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    urlAlert_ = alert;
    alert->open();
    // The link comes from another program, which may still hold the keys.
    kx_askForKeys(alert);
    // On a small screen even the shortened link can make the alert taller than the screen: less
    // of it is shown until the alert fits, its button within reach.
    const QScreen* screen = alert->screen();
    const int availableHeight = screen ? screen->availableGeometry().height() : 0;
    for (qsizetype shown = KXIncomingLinks::kMaxShownLength; screen && url.size() > shown
         && shown > kMinShownLength && alert->frameGeometry().height() > availableHeight;) {
        shown /= 2;
        alert->setInformativeText(KXIncomingLinks::shownText(url, shown));
    }
}

void AppDelegate::appSettingClick(QWidget* transientParent)
{
    if (!settingWC_ || !settingWC_->window() || !settingWC_->window()->isVisible())
        settingWC_
            = std::make_unique<KXAppSettingWindowController>(QStringLiteral("KXAppSettingWindowController"),
                transientParent ? transientParent : showWindow_.data());
    settingWC_->showCentred();
}

void AppDelegate::cleanCache()
{
    ILImageCache::sharedImageCache()->clearDiskOnCompletion([] {});
}

void AppDelegate::quitStarted()
{
    if (quitting_)
        return;
    quitting_ = true;
    // A quit another window refused leaves the closes as they were.
    dispatch::mainQueue().async([this] { quitting_ = false; });
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == showWindow_) {
        if (event->type() == QEvent::WindowStateChange) {
            const auto* change = static_cast<QWindowStateChangeEvent*>(event);
            if (showWindow_->isMinimized() && !(change->oldState() & Qt::WindowMinimized))
                windowDidMiniaturize();
        } else if (event->type() == QEvent::Close) {
            if (quitting_) {
                windowShouldClose();
            } else if (!isTrayAvailable()) {
                // A hidden window without a tray icon leaves nothing to bring it back: it goes to
                // the task bar instead, and the minimise starts the data update.
                event->ignore();
                showWindow_->showMinimized();
                return true;
            } else {
                // Refused and hidden, not closed: a closed window loses its native window, and
                // with it the window manager's place and size to restore to and the windows
                // transient for it.
                windowShouldClose();
                event->ignore();
                showWindow_->hide();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
