#pragma once

#include "Class/Account/KXTransientWindow.h"
#include "Platform/Dispatch/Subscription.h"

#include <QObject>
#include <QString>

class KXLoginViewController;

// The sign-in window's controller, made from the interface file "KXLoginWindowController": a
// window transient for the main window (the platform's level 10 above it), with the system frame,
// an empty title and only a close button, whose content is a new KXLoginViewController (the QR
// panel, which asks for a code at once). Making it sets the module label "用户登录".
//
// The window is kept, not deleted, when closed; the opener keeps one controller and makes a new
// one (and so a new code) when the kept window is not visible.
//
// A sign-in from anywhere ("homeNotificationCenter" with "loginMessage") closes every login window
// with the windows it opened (a registration's agreement), as the window that signed in closes:
// none is left with a dead code to refresh, nor a form to sign a second account in. So does a
// sign-in that passes the agreement (KXAccountState::kSignedInNotification), whatever road it took:
// a login window opened while the question waited is not left over the signed-in account. Main
// thread only.
class KXLoginWindowController : public QObject {
    Q_OBJECT

public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 480;
    static constexpr const char* kModule = "用户登录";

    explicit KXLoginWindowController(const QString& windowNibName, QWidget* transientParent = nullptr);
    ~KXLoginWindowController() override;

    const QString& windowNibName() const { return windowNibName_; }
    KXTransientWindow* window() const;
    KXLoginViewController* contentViewController() const { return content_; }
    // Brings the window to the front, centred on its parent (or the screen).
    void showCentred();

    // The window of a view inside a login window: what the panels close after a sign-in.
    static void orderOutWindowOf(QWidget* view);

private:
    void orderOutAfterSignIn();

    QString windowNibName_;
    KXOwnedWindow window_;
    KXLoginViewController* content_ = nullptr;
    dispatch::Subscription signIns_;
    dispatch::Subscription agreedSignIns_;
};
