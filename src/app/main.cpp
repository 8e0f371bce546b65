// corvane-fonts: the desktop client. main() only wires the platform: the allocator's policy, one
// instance per user, the application object, the main-queue drain, the toast, the client-error
// report, the signals that end the process, and the application delegate, which does the rest.
#include "Class/Account/KXWebPanel.h"
#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXIncomingLinks.h"
#include "Class/AppShell/KXLeftovers.h"
#include "Class/AppShell/KXQtTranslation.h"
#include "Class/AppShell/KXSingleInstance.h"
#include "Class/AppShell/KXStartupTrace.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/FavouritesRegistration.h"
#include "Class/FontList/FontListRegistration.h"
#include "Class/Home/HomeRegistration.h"
#include "Class/Home/KXHomeWindow.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/ServiceCore/Fonts/KXClientErrorReporting.h"
#include "Class/Store/Core/KXStoreService.h"
#include "Class/Store/Core/KXStoreSession.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/MLHudAlertPresenter.h"
#include "Lib/ImageLoading/ILMainScreen.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Platform/Crypto/Library.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#ifdef CORVANE_WITH_WEBENGINE
#include "Lib/ScriptBridge/WebScriptBridge.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop like the quit command does, so the termination work runs.
std::unique_ptr<QSocketNotifier> quitOnSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, qApp, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
    return notifier;
}

} // namespace

int main(int argc, char** argv)
{
    crypto::initialiseWithoutExitCleanup();
    ILApplyProcessMemoryPolicy();
    QApplication::setApplicationName(QStringLiteral("corvane-fonts"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvane Fonts"));
    QApplication::setDesktopFileName(QStringLiteral("corvane-fonts"));
#ifdef CORVANE_WITH_WEBENGINE
    // The web engine takes its schemes and settings when it starts, before the application exists.
    WebScriptBridge::registerUrlSchemes();
#endif
    KXWebPanel::prepareEngine();
    QApplication app(argc, argv);

    // Qt's own texts in Chinese from the first window on, the refusal's message box included.
    KXQtTranslation::install();
    KXSingleInstance instance;
    const auto message = KXSingleInstance::currentMessage(QCoreApplication::arguments());
    // Only the holder of the lock runs: two clients on one settings file undo each other's work. A
    // refused start says why on stderr and in a message box (started from a menu, no one reads stderr).
    instance.claim(message);
    if (const auto status = instance.endOfStart())
        return *status;
    // Before anything is read from or written to the client's folders: folders that earlier
    // versions left open to every local account (the settings hold the sign-in token) are closed,
    // and what killed or abandoned work of earlier runs left behind is removed, unless another
    // process still works in these folders.
    KXLeftovers::tidyAtStartup();

    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(KXImage::imageNamed("corvane-fonts").image())));
    QApplication::setQuitOnLastWindowClosed(false);
    // The image layer reads the screen's scale from any thread; it is read here, on the GUI thread.
    ILUpdateMainScreenScale();
    QObject::connect(&app, &QGuiApplication::primaryScreenChanged, &app, [] { ILUpdateMainScreenScale(); });
    auto drain = dispatch::QtMainQueueDrain::install();
    MLHudAlertPresenter::install();
    KXInstallClientErrorReporter();
    registerFontListOverlays();
    registerSearchFilterOverlays();
    registerFavouritesOverlays();
    registerHomePages();
    // Every write is read back through the gate of the session that shows its state.
    KXFolderSession::installReaders();
    KXStoreService::installCartReader();
    // Watches the sign-ins before the first, so that an order left unknown by an earlier run is read.
    KXStoreSession::shared();
    auto signalWatch = quitOnSignals();

    AppDelegate& delegate = AppDelegate::sharedAppDelegate();
    delegate.setMainWindowFactory([] { return new KXHomeWindow(); });
    instance.setMessageHandler([&delegate](const KXSingleInstance::Message& later) {
        delegate.handleLaterStart(later.arguments, later.activationToken, later.startupId);
    });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            delegate.applicationDidBecomeActive();
        else if (state == Qt::ApplicationInactive)
            delegate.applicationWillResignActive();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });

    dispatch::mainQueue().async([&delegate, arguments = message.arguments] {
        delegate.applicationDidFinishLaunching();
        // An address the program was started with arrives like one sent to it later.
        for (const QString& link : KXIncomingLinks::linksToShow(arguments))
            delegate.handleURLEvent(link);
    });
    kxtrace::mark("exec");
    const int status = QApplication::exec();
    kxtrace::mark("exit", std::to_string(status));
    delegate.releaseWindows();
    signalWatch.reset();
    drain.reset();
    return status;
}
