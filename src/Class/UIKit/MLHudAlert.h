#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class MLHudAlertWindow;
class MLHudLoadingIndicator;
class QLabel;
class QObject;

namespace dispatch {
class TimerSource;
}

// The toast: one shared controller that shows a short message with an icon, centred over a
// window, fades in to alpha 0.86 and fades out 1.5 seconds later or at the next click (the toast
// takes no mouse events: hover and the click stay with what lies beneath it). A new alert replaces
// the one on screen and restarts the timer. The loading style (type 4) shows a spinner and stays
// until dismissed; it also cancels what an earlier alert left pending, so that timer cannot close it.
//
// Types: 0 info, 1 warning, 2 error, 3 success, 4 loading; any other value shows as info.
// Timers run on the main queue and the installed clock. Main thread only.
class MLHudAlert {
public:
    static constexpr double kVisibleAlpha = 0.86;
    static constexpr double kDismissSeconds = 1.5;
    static constexpr int kLoading = 4;

    // Shows `message` (a null string shows an empty field) over `window` (its top-level widget is
    // used; nullptr: the application's active window). Without any window nothing is shown.
    static void alertWithWindow(QWidget* window, int type, const QString& message);
    // Shows `message` over the window named as the main one. While there is none yet (at start,
    // before the splash hands over) or it is not on screen (before its first show, or minimised)
    // the message waits and shows when the main window appears; a later one replaces it.
    static void alertOverMainWindow(int type, const QString& message);
    // Names the client's main window (held weakly).
    static void setMainWindow(QWidget* window);
    // Fades the shared toast out.
    static void dismisWindow();
    // The shared toast, made by the first alert; nullptr before it.
    static MLHudAlert* sharedAlert();
    // The icon resource name of a type (empty for the loading style).
    static const char* iconNameForType(int type);

    ~MLHudAlert();
    MLHudAlert(const MLHudAlert&) = delete;
    MLHudAlert& operator=(const MLHudAlert&) = delete;

    int alertType() const { return alertType_; }
    // The toast surface; made again if its last parent window was destroyed with it.
    MLHudAlertWindow* window();
    QLabel* iconView();
    QLabel* messageField();
    MLHudLoadingIndicator* loadingIndicator();

    void showWindow(QWidget* sender);
    // Centres the toast on the window it belongs to.
    void updateWindowPosition();
    void dismiss();

    bool isDismissTimerPending() const { return static_cast<bool>(dismissTimer_); }
    bool isClickMonitorInstalled() const;

private:
    class ClickMonitor;
    class MainWindowWatch;
    MLHudAlert();
    static MLHudAlert& shared();
    void present(QWidget* window, int type, const QString& message);
    void cancelDismissTimer();
    void removeClickMonitor();
    void installClickMonitor();

    int alertType_ = 0;
    QPointer<MLHudAlertWindow> window_;
    std::shared_ptr<dispatch::TimerSource> dismissTimer_;
    std::unique_ptr<ClickMonitor> clickMonitor_;
    QPointer<QWidget> mainWindow_;
    std::unique_ptr<MainWindowWatch> mainWindowWatch_;
    // A message for the main window while it is not on screen.
    struct Waiting {
        int type = 0;
        QString message;
    };
    std::optional<Waiting> waiting_;
};
