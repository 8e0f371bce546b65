#include "Class/Account/KXLoginWindowController.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXLoginViewController.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"
#include "Class/UIKit/KXTransientWindows.h"

using layoutwidgets::lcView;

KXLoginWindowController::KXLoginWindowController(const QString& windowNibName, QWidget* transientParent)
    : windowNibName_(windowNibName)
    , window_(new KXTransientWindow(transientParent, QSize(kWidth, kHeight), QString::fromUtf8(kModule)))
{
    // No minimise or zoom: the window keeps the size it is fitted to.
    kx_keepFittedSize(window());
    content_ = new KXLoginViewController(window()->contentView());
    lc_makeConstraints(lcView(content_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(kModule));
    signIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXSignInEvents::kNotification, foundation::Id(), nullptr,
        dispatch::guardedQt(this, [](KXLoginWindowController& self, const dispatch::Notification& notification) {
            if (notification.userInfo && notification.userInfo->containsKey("loginMessage"))
                self.orderOutAfterSignIn();
        }));
    agreedSignIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXAccountState::kSignedInNotification, foundation::Id(), nullptr,
        dispatch::guardedQt(this, [](KXLoginWindowController& self, const dispatch::Notification&) { self.orderOutAfterSignIn(); }));
}

KXLoginWindowController::~KXLoginWindowController() = default;

void KXLoginWindowController::orderOutAfterSignIn()
{
    QWidget* shown = window();
    if (!shown)
        return;
    // The windows it opened first: a hidden agreement window answers nothing.
    for (QWidget* child : shown->findChildren<QWidget*>()) {
        if (child->isWindow())
            child->hide();
    }
    shown->hide();
}

KXTransientWindow* KXLoginWindowController::window() const
{
    return static_cast<KXTransientWindow*>(window_.get());
}

void KXLoginWindowController::showCentred()
{
    if (auto* shown = window())
        shown->showCentred();
}

void KXLoginWindowController::orderOutWindowOf(QWidget* view)
{
    if (view && view->window())
        view->window()->hide();
}
