#include "Class/Update/KXUPDateCenterWC.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Class/Update/KXUPDateCenterVC.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"
#include "Class/UIKit/KXTransientWindows.h"

using layoutwidgets::lcView;

KXUPDateCenterWC::KXUPDateCenterWC(const QString& windowNibName, QWidget* transientParent)
    : windowNibName_(windowNibName)
    , window_(new KXTransientWindow(transientParent, QSize(kWidth, kHeight), QString::fromUtf8(kTitle)))
{
    // No minimise or zoom: the window keeps the size it is fitted to.
    kx_keepFittedSize(window());
    window()->setNarrowestContentWidth(kNarrowestWidth);
    content_ = new KXUPDateCenterVC(window()->contentView());
    lc_makeConstraints(lcView(content_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(KXUpdateDownload::kModule));
}

KXUPDateCenterWC::~KXUPDateCenterWC() = default;

KXTransientWindow* KXUPDateCenterWC::window() const
{
    return static_cast<KXTransientWindow*>(window_.get());
}

void KXUPDateCenterWC::showCentred()
{
    if (auto* shown = window())
        shown->showCentred();
}
