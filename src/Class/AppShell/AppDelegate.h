#pragma once

#include "Class/ServiceCore/CrashReports/KXCrashMessageForwarder.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Subscription.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include <QMenu>
#include <QMessageBox>

class KXAppSettingWindowController;
class QSystemTrayIcon;
class QWindow;

// The spine of the application, one per process: the start-up sequence, the window shown to the
// user (the splash, then the main window) whose events it watches, the catalogue data update on
// minimise and close, incoming "corvane:" addresses, the tray icon and the use-time report at the
// end. Main thread only.
//
// Platform events arrive as Qt events: becoming active is applicationStateChanged, a reopen is a
// later start of the program or a click on the tray icon, closing the shown window is its Close
// event (refused: the window hides and is kept, its native window with it; the process runs on,
// reached again through the tray icon; a desktop without a tray gets the window minimised instead,
// so its task-bar entry stays; a quit closes it), minimising is its WindowStateChange event,
// terminating is aboutToQuit.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    static AppDelegate& sharedAppDelegate();

    // Makes the main window at the splash's hand-over; installed by main().
    using MainWindowFactory = std::function<QWidget*()>;
    void setMainWindowFactory(MainWindowFactory factory) { mainWindowFactory_ = std::move(factory); }
    QWidget* makeMainWindow() const;

    // The window shown to the user, owned here; the previous one is released. An open address
    // alert moves over to the new window.
    QWidget* showWindow() const { return showWindow_; }
    void setShowWindow(QWidget* window);

    void applicationDidFinishLaunching();
    // A step of the start-up: switches the guarded collections on for the rest of the process and
    // observes their reports with dealwithCrashMessage.
    void setupCrashRank();
    // A step of the start-up: a catalogue copy made again from the installed catalogue takes the
    // baseline data version (KXStartupRules::catalogueRestored), on the main queue; a catalogue
    // read from the installed file, since no copy could be made, is said once in the toast, over
    // the window that follows the splash when the splash found it.
    void watchCatalogueCopy();
    // A guard report on its way to the service as a client error (KXCrashMessageForwarder).
    void dealwithCrashMessage(const dispatch::Notification& notification);
    // Brings the shown window up and gives it the keys where activationGivesKeysTo says so; else
    // leaves it alone.
    void applicationDidBecomeActive();
    // Whether becoming active hands the keys to the `shown` window, given the application's
    // active window and the window the system has focused: not while another window of ours has
    // them or is receiving them. The system focuses a window and the application becomes active
    // before Qt names that window the active one (the end of a window manager's move grab), so
    // an empty active window alone says nothing.
    static bool activationGivesKeysTo(const QWidget* shown, const QWidget* activeWindow, const QWindow* focusWindow);
    void applicationWillResignActive();
    bool applicationShouldHandleReopen();
    // The use-time report and the other waits at quit, side by side, at most kQuitWaitSeconds in
    // all while the main queue keeps running.
    // Then the image cache gives up the disk writes still queued and gets what remains of that
    // time, and at least kLastWriteWaitSeconds, to end the one under way.
    void applicationWillTerminate();
    static constexpr double kQuitWaitSeconds = 2.0;
    static constexpr double kLastWriteWaitSeconds = 0.5;
    // The title of the alert that shows a link the desktop handed over.
    static constexpr const char* kURLAlertTitle = "链接请求";

    void windowDidMiniaturize();
    bool windowShouldClose();
    void updateAppData();

    // An incoming address: shown in an alert, nothing more (a long one with its middle left out;
    // one longer than KXIncomingLinks takes is refused).
    void handleURLEvent(const QString& url);
    QMessageBox* urlAlert() const { return urlAlert_; }
    // What a later start of the program hands over: its addresses (an alert for each of the first
    // few, KXIncomingLinks::linksToShow), else a reopen.
    void handleLaterStart(const QStringList& arguments, const QString& activationToken, const QString& startupId);

    // The client's one settings window, whichever item asks for it (the menu bar's or the extend
    // menu's): a visible one is brought forward; else a new one is made, transient for
    // `transientParent`'s window, or for the shown window without one.
    void appSettingClick(QWidget* transientParent = nullptr);
    KXAppSettingWindowController* settingWindow() const { return settingWC_.get(); }
    void cleanCache();

    QSystemTrayIcon* trayIcon() const { return trayIcon_; }
    // Whether the desktop shows tray icons; QSystemTrayIcon's answer unless replaced.
    using TrayAvailability = std::function<bool()>;
    void setTrayAvailability(TrayAvailability availability);
    bool isTrayAvailable() const { return trayAvailability_(); }
    // Deletes the shown window, the settings window and the tray icon at once; called when the event loop has ended.
    void releaseWindows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppDelegate();
    void installTrayIcon();
    void bringShowWindowToFront(bool activate);
    void quitStarted();

    QPointer<QWidget> showWindow_;
    MainWindowFactory mainWindowFactory_;
    TrayAvailability trayAvailability_;
    // Quitting closes every window first and gives up when one refuses: from the application's
    // Quit event until the queue has run, a close is a close.
    bool quitting_ = false;
    std::unique_ptr<QObject> quitWatch_;
    QSystemTrayIcon* trayIcon_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    QPointer<QMessageBox> urlAlert_;
    std::unique_ptr<KXAppSettingWindowController> settingWC_;
    KXCrashMessageForwarder crashForwarder_;
    dispatch::Subscription crashObservation_;
    dispatch::Subscription catalogueObservation_;
    dispatch::Subscription readOnlyCatalogueObservation_;
};
