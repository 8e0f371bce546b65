#include "Class/AppShell/KXBegainViewController.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXAnimatedImage.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/AppShell/KXMigration.h"
#include "Class/AppShell/KXStartupRules.h"
#include "Class/AppShell/KXStartupSignIn.h"
#include "Class/AppShell/KXStartupTrace.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXOpenerKeys.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <QShowEvent>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;

namespace {

void ignoreError(const Ref<foundation::Error>&) { }

void setModule(const char* label)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(label));
}

} // namespace

KXBegainViewController::KXBegainViewController(QWidget* parent)
    : QWidget(parent)
{
    viewDidLoad();
}

KXBegainViewController::~KXBegainViewController() = default;

std::shared_ptr<KXHTTPBUSINESS> KXBegainViewController::bussinessR()
{
    if (!bussinessR_)
        bussinessR_ = std::make_shared<KXHTTPBUSINESS>();
    return bussinessR_;
}

void KXBegainViewController::viewDidLoad()
{
    setModule("用户登录错误");
    QPointer<KXBegainViewController> self(this);
    observation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXMigration::kSignInNotification, Id(), nullptr, [self](const dispatch::Notification& notification) {
            if (self)
                self->receiveNotification(notification);
        });

    setAutoFillBackground(true);
    imageView_ = new ImageView(this);
    imageView_->setImageScaling(ImageScaling::AxesIndependently);
    imageView_->setImage(kx_animatedImageNamed("begainLoading"));
    imageView_->setAnimates(true);
    lc_makeConstraints(lcView(imageView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });

    KXStartupSignIn::start();
}

void KXBegainViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || appeared_)
        return;
    appeared_ = true;
    dispatch::mainQueue().async(dispatch::guardedQt(this, [](KXBegainViewController& self) { self.viewDidAppear(); }));
}

void KXBegainViewController::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    kxtrace::markOnce("splash-painted");
}

void KXBegainViewController::viewDidAppear()
{
    setModule("初始化错误");
    bussinessR_ = std::make_shared<KXHTTPBUSINESS>();
    bussinessR_->GetINITDataWithDataVersion(
        Id(),
        [](const Id& reply) {
            KXStartupRules::applyStartupData(reply, foundation::UserDefaults::standardUserDefaults(),
                                             KXGlobalDataBase::sharedKXGlobalDataBase());
        },
        ignoreError);
    // Through the folders' reply gate: a list of a session that ended meanwhile, or older than one
    // already stored, is dropped. A user still to answer the agreement has no folders yet, so they
    // are asked for once the start-up sign-in has told whether the user has agreed.
    KXStartupSignIn::whenSettled([] {
        if (KXUserCenterConfig::sharedKXUserCenterConfig().islogin())
            KXFolderSession::reloadFolders();
    });
    KXStartupRules::applyBaseline(foundation::UserDefaults::standardUserDefaults());
    bussinessR()->GetChangedDataWithDataVersion(
        Id(""),
        [](const Id& reply) {
            KXStartupRules::applyDataState(reply, foundation::UserDefaults::standardUserDefaults(),
                                           KXGlobalDataBase::sharedKXGlobalDataBase());
        },
        ignoreError);
    dispatch::mainQueue().after(kHandOverSeconds,
                                dispatch::guardedQt(this, [](KXBegainViewController& self) { self.handOver(); }));
}

void KXBegainViewController::handOver()
{
    if (handedOver_)
        return;
    handedOver_ = true;
    kxtrace::markOnce("handover");
    // The main window's list opens on the catalogue in its default order: read it while the
    // window builds its views.
    KXSortingData().readAheadSortType(0);
    // The keys go from the splash to the main window, not from a program the person went to.
    const bool keysWithinClient = kx_keysWithinClient();
    window()->hide();
    auto& delegate = AppDelegate::sharedAppDelegate();
    QWidget* main = delegate.makeMainWindow();
    if (!main)
        return;
    kx_showOwnWindow(main, keysWithinClient);
    delegate.setShowWindow(main);
}

void KXBegainViewController::receiveNotification(const dispatch::Notification& notification)
{
    if (!notification.userInfo || !notification.userInfo->containsKey("loginOut"))
        return;
    const std::string unsaved = KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    if (unsaved.empty())
        return;
    // Queued behind the settings' own report of the failed write.
    dispatch::mainQueue().async(
        dispatch::guardedQt(this, [message = QString::fromStdString(unsaved)](KXBegainViewController& self) {
            MLHudAlert::alertWithWindow(self.window(), 1, message);
        }));
}
