#include "Class/Account/KXRegisterAgreementWC.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXRegisterAgreementVC.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"

#include <QEvent>

using layoutwidgets::lcView;

KXRegisterAgreementWC::KXRegisterAgreementWC(const QString& windowNibName, QWidget* transientParent)
    : windowNibName_(windowNibName)
    , window_(new KXTransientWindow(transientParent, QSize(kWidth, kHeight), QString::fromUtf8(kTitle)))
{
    // No minimise or zoom: the window keeps the size it is fitted to.
    kx_keepFittedSize(window());
    content_ = new KXRegisterAgreementVC(window()->contentView());
    lc_makeConstraints(lcView(content_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    // The answers and the program hide the window; a close is the user's (Escape, the frame).
    window()->installEventFilter(this);
}

KXRegisterAgreementWC::~KXRegisterAgreementWC()
{
    // The window goes after this object has stopped being one: it must not call in on its way out.
    if (QWidget* shown = window_.get())
        shown->removeEventFilter(this);
}

KXTransientWindow* KXRegisterAgreementWC::window() const
{
    return static_cast<KXTransientWindow*>(window_.get());
}

bool KXRegisterAgreementWC::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == window_.get())
        content_->windowClosing();
    return QObject::eventFilter(watched, event);
}

void KXRegisterAgreementWC::showCentred()
{
    if (auto* shown = window())
        shown->showCentred();
}

dispatch::Subscription KXRegisterAgreementWC::observeAnswers(std::function<void(bool agreed)> answered) const
{
    return dispatch::NotificationCenter::defaultCenter().addObserver(
        KXSignInEvents::kAgreementNotification, content_->answerSender(), nullptr,
        [answered = std::move(answered)](const dispatch::Notification& answer) {
            answered(foundation::Id(answer.userInfo)["isAgree"].integerValue() != 0);
        });
}
