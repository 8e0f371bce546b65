// The cart: its badge, the cart page, adding a font from a row with the flying dot, the hand-over
// after an order and the order reminder.
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/AppShell/KXRoundedBox.h"
#include "Class/AppShell/KXStartupSignIn.h"
#include "Class/FontList/KXViewReference.h"
#include "Class/Home/Core/KXFlyingDotPath.h"
#include "Class/Home/Core/KXOrderReminder.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Store/KXFontsSaleList.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"

#include <QCursor>
#include <QLabel>
#include <QVariantAnimation>

using foundation::Id;

namespace {

constexpr int kDotSize = 15;

bool signedIn()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig().islogin();
}

} // namespace

void KXHomeViewController::upDateBuyCartState()
{
    // An account still to answer the agreement has no cart yet, and a stored token has none before
    // the start-up sign-in has said whether its user has agreed.
    KXStartupSignIn::whenSettled(dispatch::guardedQt(this, [](KXHomeViewController& self) {
        if (signedIn())
            self.requestCartState();
    }));
}

void KXHomeViewController::requestCartState()
{
    KXHTTPBUSINESS().getBuyCartsDataSuceess(
        dispatch::guardedQt(this, [](KXHomeViewController& self, const Id& reply) { self.showCartBadge(reply); }),
        [](const foundation::Ref<foundation::Error>&) { });
}

void KXHomeViewController::showCartBadge(const Id& reply)
{
    const bool refused = reply["errcode"].isNil() || reply["errcode"].integerValue() != 0;
    buyCartNumLabel()->setVisible(!refused && reply["corvane_data"]["fids"].count() > 0);
    if (buyCartNumLabel()->isVisible())
        buyCartNumLabel()->raise();
}

void KXHomeViewController::shoppingCartBtnClick()
{
    if (!signedIn()) {
        loginClick();
        shoppingCartBtn_->setState(0);
        return;
    }
    shoppingCartBtn_->setState(1);
    if (selectedTabView_)
        selectedTabView_->setSelected(false);
    QWidget* top = kx_topSubview(this);
    if (!qobject_cast<KXFontsSaleList*>(top)) {
        addCartPage();
        return;
    }
    shoppingCartBtn_->setState(0);
    if (selectedTabView_)
        selectedTabView_->setSelected(true);
    kx_removeFromSuperview(top);
}

void KXHomeViewController::addCartPage()
{
    auto* cart = new KXFontsSaleList();
    cart->setBackBlock(dispatch::guardedQt(this, [](KXHomeViewController& self, bool userLeft) {
        if (!userLeft) {
            self.buyCartNumLabel()->hide();
            return;
        }
        if (self.selectedTabView_)
            self.selectedTabView_->setSelected(true);
        self.shoppingCartBtn_->setState(0);
    }));
    cart->setCartBlock(dispatch::guardedQt(this, [](KXHomeViewController& self, const Id& reply) { self.showCartBadge(reply); }));
    addPage(cart);
}

void KXHomeViewController::addPersonalCenterPage()
{
    addPage(new KXPersonalCenterView());
}

void KXHomeViewController::cellBuyCartsClick(const dispatch::Notification& notification)
{
    if (!signedIn()) {
        loginClick();
        return;
    }
    const auto* button = notification.object.ptr<KXViewReference>();
    const long long fid = button ? button->tag : notification.object.integerValue();
    bussinessR()->addBuyCartsWithFids(Id(foundation::String::create(foundation::format("%zd", fid))),
                                      dispatch::guardedQt(this, [](KXHomeViewController& self, const Id&) { self.requestCartState(); }),
                                      [](const foundation::Ref<foundation::Error>&) { });
    flyDotToCart(mapFromGlobal(QCursor::pos()));
}

void KXHomeViewController::flyDotToCart(const QPointF& pointInView)
{
    // The path is stated in the window's y-up points, as the platform gives the click and the
    // cart's place.
    const double height = this->height();
    const KXFlyingDotPath path = KXFlyingDotPath::toCart({pointInView.x(), height - pointInView.y()});
    currentEventPoint_ = QPointF(path.start().x, path.start().y);
    const auto centreAt = [height](KXFlyingDotPath::Point point) {
        return QPoint(static_cast<int>(point.x - kDotSize / 2.0 + 0.5), static_cast<int>(height - point.y - kDotSize / 2.0 + 0.5));
    };

    setCursor(Qt::UpArrowCursor);
    if (roView_)
        kx_removeFromSuperview(roView_);
    // The dot that flies to the cart.
    auto* dot = new KXRoundedBox(this, QColor(238, 84, 84), kDotSize / 2.0);
    // It starts under the pointer: what lies beneath keeps the pointer and every click.
    dot->setAttribute(Qt::WA_TransparentForMouseEvents);
    roView_ = dot;
    dot->setGeometry(QRect(centreAt(path.start()), QSize(kDotSize, kDotSize)));
    dot->show();
    dot->raise();
    if (animationsEnabled()) {
        auto* flight = new QVariantAnimation(dot);
        flight->setStartValue(0.0);
        flight->setEndValue(1.0);
        flight->setDuration(static_cast<int>(KXFlyingDotPath::kDuration * 1000));
        connect(flight, &QVariantAnimation::valueChanged, dot,
                [dot, path, centreAt](const QVariant& value) { dot->move(centreAt(path.pointAt(value.toDouble()))); });
        flight->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        dot->move(centreAt(path.end()));
    }
    // Whatever dot flies when the time is up goes, and the pointer is itself again.
    dispatch::mainQueue().after(KXFlyingDotPath::kDuration, dispatch::guardedQt(this, [](KXHomeViewController& self) {
        if (self.roView_)
            kx_removeFromSuperview(self.roView_);
        self.unsetCursor();
    }));
}

void KXHomeViewController::buyCartsGoToOrder(const dispatch::Notification& notification)
{
    const auto removeCartOnTop = [this] {
        QWidget* top = kx_topSubview(this);
        if (!qobject_cast<KXFontsSaleList*>(top))
            return false;
        kx_removeFromSuperview(top);
        return true;
    };
    if (notification.object.isNil() && removeCartOnTop()) {
        removeCartOnTop();
        addPersonalCenterPage();
    }
    dispatch::mainQueue().after(kOrderHandOverDelay, dispatch::guardedQt(this, [removeCartOnTop](KXHomeViewController& self) {
        if (removeCartOnTop() && !qobject_cast<KXPersonalCenterView*>(kx_topSubview(&self))) {
            removeCartOnTop();
            self.addPersonalCenterPage();
        }
        self.tempCheckOrder();
    }));
    requestCartState();
}

void KXHomeViewController::buyCartsCheckOrder()
{
    tempCheckOrder();
    // The reminder lets go of the cart button as the store leaves; here the store stays open.
    if (qobject_cast<KXFontsSaleList*>(kx_topSubview(this)))
        shoppingCartBtn_->setState(1);
}

void KXHomeViewController::tempCheckOrder()
{
    orderReminder_->tempCheckOrder();
}

void KXHomeViewController::checkMyOrderState()
{
    orderReminder_->checkMyOrderState();
}

void KXHomeViewController::askMyOrderState()
{
    orderReminder_->askMyOrderState();
}
