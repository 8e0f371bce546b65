// Sign-in, sign-out and the account area at the top of the left menu: the avatar, the name, the
// VIP mark, the agreement gate and the personal centre's toggle.
#include "Class/Account/KXDiversionGroupView.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Account/KXPersonalStubPage.h"
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXDisplayName.h"
#include "Class/Home/Core/KXOrderReminder.h"
#include "Class/Home/Core/KXSignInGate.h"
#include "Class/Home/KXHomeStyle.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>

#include <exception>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

KXUserCenterConfig& session()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig();
}

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

Id userInfoValue(const dispatch::Notification& notification, const char* key)
{
    return Id(notification.userInfo)[key];
}

foundation::Ref<foundation::MutableArray> storedRows(const foundation::Ref<foundation::Array>& rows)
{
    auto copy = rows ? std::dynamic_pointer_cast<foundation::MutableArray>(rows->mutableCopy()) : nullptr;
    return copy ? copy : foundation::MutableArray::create();
}

} // namespace

void KXHomeViewController::receiveNotification(const dispatch::Notification& notification)
{
    if (userInfoValue(notification, "eveType").stringValue() == "forgetPwd")
        addPanel(new KXPersonalChangePwd());
    const Id user = userInfoValue(notification, "loginMessage");
    if (!user.isNil())
        loginUpDateWithUserInfo(user);
    if (!userInfoValue(notification, "loginOut").isNil())
        logoutBussiness();
}

void KXHomeViewController::loginUpDateWithUserInfo(const Id& user)
{
    const bool wasSignedIn = session().islogin();
    if (KXSignInGate::receive(user) == KXSignInGate::Step::SignIn) {
        loginBusiness(user);
        return;
    }
    // The account signed in before has gone with the sign-in that now waits, and its pages with it.
    if (wasSignedIn)
        waitingSignInEnded();
    askAgreement();
}

void KXHomeViewController::askAgreement()
{
    // A second gated sign-in while the question is on screen raises the window already shown.
    if (!greeWc_ || !greeWc_->window() || !greeWc_->window()->isVisible()) {
        greeWc_ = std::make_unique<KXRegisterAgreementWC>(QStringLiteral("KXRegisterAgreementWC"), this);
        // Only this window answers the gated sign-in: another agreement window (the registration's)
        // answers whoever opened it.
        agreementObservation_ = greeWc_->observeAnswers(
            dispatch::guardedQt(this, [](KXHomeViewController& self, bool agreed) { self.agreeAgreementA(agreed); }));
    }
    greeWc_->showCentred();
}

void KXHomeViewController::closeAgreement()
{
    // Hidden by the program, the window answers nothing.
    if (greeWc_ && greeWc_->window())
        greeWc_->window()->hide();
}

void KXHomeViewController::agreeAgreementA(bool agreed)
{
    KXSignInGate::answer(Id(agreed ? 1 : 0),
                         dispatch::guardedQt(this, [](KXHomeViewController& self, KXSignInGate::Outcome outcome, const Id& user) {
                             switch (outcome) {
                             case KXSignInGate::Outcome::SignedIn:
                                 self.loginBusiness(user);
                                 break;
                             case KXSignInGate::Outcome::Refused:
                                 self.waitingSignInEnded();
                                 break;
                             case KXSignInGate::Outcome::StillWaiting:
                                 // The service holds no agreement: the question again, saying why.
                                 self.askAgreement();
                                 MLHudAlert::alertWithWindow(self.greeWc_->window(), 1, QStringLiteral("网络异常，请稍后重试"));
                                 break;
                             case KXSignInGate::Outcome::NobodyWaits:
                                 break;
                             }
                         }));
}

void KXHomeViewController::waitingSignInEnded()
{
    // No sign-in window opens and nobody is told of a sign-out: nobody is signed in. The pages
    // opened meanwhile go, as at a sign-out.
    orderReminder_->stop();
    rightListview_->setTabTypeNum(1);
    showNobodySignedIn();
    tabViewTouched(cloudBtn_);
}

void KXHomeViewController::loginBusiness(const Id& user)
{
    session().setUpUserconfigWithInfo(user);
    upDateBuyCartState();
    showAvatar(user);
    showName(user);
    if (!Id(defaults().stringForKey("vip_type")).stringValue().empty())
        showVipMark();
    try {
        defaults().setObject(Id(foundation::String::create(shownName_.toStdString())), "Name");
        defaults().synchronize();
        defaults().setObject(user["shop_url"], "shop_url");
        defaults().synchronize();
        defaults().setObject(user["uid"], "userID");
        defaults().synchronize();
    } catch (const std::exception&) {
        // A store that refuses a value leaves the rest as it was.
    }
    // The side tables show the folders and follows the session holds now.
    groupArray_ = storedRows(session().groupsInfo());
    followArray_ = storedRows(session().followsArray());
    sideRowsChanged();
    // Only a signed-in start asks for the folders by itself; without them the rows' favourite
    // marks and the folder table stay empty until some page happens to ask.
    KXFolderSession::reloadFolders(dispatch::guardedQt(
        this, [](KXHomeViewController& self, const foundation::Ref<foundation::MutableArray>& folders) {
            self.groupArray_ = folders;
            self.sideRowsChanged();
            self.repaintFontRows();
        }));
    // The list goes back to the cloud before the welcome page opens: a tab touch closes every
    // overlay, and would take the welcome page away the moment it came.
    if (rightListview_->tabTypeNum() != 0)
        tabViewTouched(cloudBtn_);
    if (user["is_first"].integerValue() != 0)
        addOverlay(new KXDiversionGroupView());
}

void KXHomeViewController::logoutBussiness()
{
    const std::string unsaved = session().removeUserInfo();
    // A sign-out while the agreement asks ends that sign-in too: its window goes unanswered.
    KXSignInGate::abandon();
    // The reminder asks for the unpaid orders of the account that ordered: it ends with it.
    orderReminder_->stop();
    rightListview_->setTabTypeNum(1);
    showNobodySignedIn();
    loginClick();
    tabViewTouched(cloudBtn_);
    if (unsaved.empty())
        return;
    // Over the login window, which covers the hub; queued behind the settings' own report of the
    // failed write, which would otherwise take the toast back to the hub.
    dispatch::mainQueue().async(
        dispatch::guardedQt(this, [message = QString::fromStdString(unsaved)](KXHomeViewController& self) {
            MLHudAlert::alertWithWindow(self.loginWindow_ ? self.loginWindow_->window() : self.window(), 1, message);
        }));
}

void KXHomeViewController::showNobodySignedIn()
{
    buyCartNumLabel()->hide();
    orderNumLabel_->hide();
    shoppingCartBtn_->setState(0);
    setShownName(QStringLiteral("登录/注册"));
    il_cancelCurrentImageLoad(avatarImg_);
    avatarImg_->setImage(KXImage::imageNamed("default_avatar"));
    if (vipMarkIMG_)
        vipMarkIMG_->hide();
    avatarImg_->setBorderWidth(0.01);
    groupArray_ = foundation::MutableArray::create();
    followArray_ = foundation::MutableArray::create();
    accordion_.closeBoth();
    sideRowsChanged();
    // The stars of the rows on screen were painted from the folders that have gone.
    repaintFontRows();
}

void KXHomeViewController::repaintFontRows()
{
    // The list, an open search panel and any folder page over them.
    for (KXFontTableView* table : findChildren<KXFontTableView*>())
        table->viewport()->update();
}

void KXHomeViewController::avatarClick()
{
    if (qobject_cast<KXPersonalFeedBack*>(kx_topSubview(this)))
        kx_removeFromSuperview(kx_topSubview(this));
    if (auto* centre = qobject_cast<KXPersonalCenterView*>(kx_topSubview(this))) {
        const Id user(session().userinfo());
        showAvatar(user);
        showName(user);
        kx_removeFromSuperview(centre);
        return;
    }
    if (session().islogin()) {
        addPage(new KXPersonalCenterView());
        return;
    }
    loginClick();
}

void KXHomeViewController::buttonClick()
{
    if (!session().islogin())
        loginClick();
}

void KXHomeViewController::showAvatar(const Id& user)
{
    const Id head = user["head"];
    if (head.isNil() || head.isNull())
        return;
    il_setImageWithURL(avatarImg_, foundation::URL::URLWithString(head.stringValue()),
                       il_imageFromKXImage(KXImage::imageNamed("default_avatar")));
}

void KXHomeViewController::showName(const Id& user)
{
    if (const auto name = kx_displayName(user))
        setShownName(QString::fromStdString(*name));
}

void KXHomeViewController::userInfoStored(const dispatch::Notification& notification)
{
    if (!session().islogin())
        return;
    const Id user = userInfoValue(notification, "user");
    if (!user.dictionary())
        return;
    showAvatar(user);
    showName(user);
    if (!Id(defaults().stringForKey("vip_type")).stringValue().empty()) {
        showVipMark();
    } else if (vipMarkIMG_) {
        vipMarkIMG_->hide();
        avatarImg_->setBorderWidth(0.01);
    }
}

void KXHomeViewController::showVipMark()
{
    ImageView* avatar = avatarImg_;
    lc_remakeConstraints(lcView(vipMarkIMG()), [avatar](LCConstraintMaker& make) {
        make.right().equalTo(lc_right(lcView(avatar)));
        make.bottom().equalTo(lc_bottom(lcView(avatar)));
    });
    vipMarkIMG()->show();
    vipMarkIMG()->raise();
    avatarImg_->setBorderWidth(1.8);
    avatarImg_->setBorderColor(kxhome::kVipRing);
}
