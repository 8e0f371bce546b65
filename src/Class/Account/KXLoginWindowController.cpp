#include "Class/Account/KXLoginWindowController.h"

#include "Class/Account/KXLoginViewController.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Class/LayoutWidgets/WidgetView.h"
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
}

KXLoginWindowController::~KXLoginWindowController() = default;

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
