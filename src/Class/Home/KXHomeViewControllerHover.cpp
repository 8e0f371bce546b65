// Hover pop-ups of the two section tabs, the monitor that closes them, and the collapse and
// expansion of the left menu.
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/Core/KXHoverTracker.h"
#include "Class/Home/KXEventMonitor.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeHubDelegates.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QVariantAnimation>

#include <algorithm>
#include <memory>

using foundation::Ref;
using layoutwidgets::lcView;

namespace {

constexpr int kPopUpWidth = 148;
constexpr int kPopUpHeight = 204;
// Staying inside the window wins over staying level with the tab; on a window shorter than the
// pop-up its top stays at the window's.
constexpr float kPopUpLevelPriority = 500;
constexpr float kPopUpInsidePriority = 750;
constexpr int kCollapseMilliseconds = 500;

// A section pop-up's close, scheduled after an event outside it; the ticket tells a close called
// off by a return inside from the one scheduled after a later event outside.
struct PendingClose {
    bool pending = false;
    unsigned ticket = 0;
};

// The platform's "easeIn" timing: the cubic Bézier (0.42, 0) (1, 1).
QEasingCurve easeIn()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
    return curve;
}

bool windowsMayMove()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

void KXHomeViewController::KXLeftTabViewMouseEntered(const QString& identifier)
{
    hoverTracker_->mouseEntered(identifier.toStdString());
}

void KXHomeViewController::KXLeftTabViewMouseExited(const QString& identifier)
{
    hoverTracker_->mouseExited(identifier.toStdString());
}

// The lists come through the session's reply gates: a list asked for before a later one was
// shown, or before a folder changed, or in another session, never replaces what is stored.
void KXHomeViewController::MouseOnMyCollection()
{
    KXFolderSession::reloadFolders(dispatch::guardedQt(this, [](KXHomeViewController& self, const Ref<foundation::MutableArray>& folders) {
        self.groupArray_ = folders;
        self.sideRowsChanged();
        self.showGroupExtendView(kFoldersOrigin, self.fontManagerBtn_, self.groupArray_);
    }));
}

void KXHomeViewController::MouseOnMyFocus()
{
    KXFolderSession::reloadFollows(dispatch::guardedQt(this, [](KXHomeViewController& self, const Ref<foundation::MutableArray>& followed) {
        self.followArray_ = followed;
        self.sideRowsChanged();
        self.showGroupExtendView(kFollowedOrigin, self.myFocusBtn_, self.followArray_);
    }));
}

void KXHomeViewController::showGroupExtendView(const char* from, KXLeftTabView* anchor, const Ref<foundation::Array>& rows)
{
    if (groupExtendView_ && kx_topSubview(this) == groupExtendView_)
        kx_removeFromSuperview(groupExtendView_);
    auto* popUp = new KXGroupExtendView(this);
    groupExtendView_ = popUp;
    popUp->setDelegate(delegates_);
    popUp->show();
    popUp->raise();

    // Closes this pop-up, and never a later one, a while after an event outside it and its two
    // tabs: a click, a scroll, or the pointer moving anywhere else over the window or off it. An
    // event back inside before then keeps it open; the close counts from the first event outside.
    QPointer<KXGroupExtendView> watched(popUp);
    QPointer<KXHomeViewController> hub(this);
    auto closing = std::make_shared<PendingClose>();
    new KXEventMonitor(popUp, KXEventMonitor::kPopUpMask, [hub, watched, closing](const QPointF& position) {
        if (!hub || !watched)
            return;
        if (hub->isInsidePopUpControls(position)) {
            if (closing->pending) {
                closing->pending = false;
                ++closing->ticket;
            }
            return;
        }
        if (closing->pending)
            return;
        closing->pending = true;
        dispatch::mainQueue().after(kPopUpCloseDelay, [watched, closing, ticket = closing->ticket] {
            if (watched && watched->parentWidget() && closing->pending && closing->ticket == ticket)
                kx_removeFromSuperview(watched);
        });
    });

    popUp->setDataA(rows);
    popUp->setFrom(QString::fromUtf8(from));
    // Level with its tab; on a short window, where that would run past the window's foot, it
    // moves up just enough to end inside it, so its last entries stay reachable. Placed at once,
    // so an event before the next layout pass finds it where it will stay.
    const int tabTop = anchor->mapTo(this, QPoint(0, 0)).y();
    popUp->setGeometry(leftMenu_->geometry().right() + 1, std::max(0, std::min(tabTop, height() - kPopUpHeight)), kPopUpWidth, kPopUpHeight);
    QWidget* menu = leftMenu_;
    lc_makeConstraints(lcView(popUp), [menu, anchor](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(menu)));
        make.top().equalTo(lc_top(lcView(anchor))).priority(kPopUpLevelPriority);
        make.top().greaterThanOrEqualTo(0);
        make.bottom().lessThanOrEqualTo(0).priority(kPopUpInsidePriority);
        make.height().equalTo(kPopUpHeight);
        make.width().equalTo(kPopUpWidth);
    });
}

void KXHomeViewController::removeKeptPopUp()
{
    if (groupExtendView_ && qobject_cast<KXGroupExtendView*>(kx_topSubview(this)))
        kx_removeFromSuperview(groupExtendView_);
}

QRect KXHomeViewController::frameInView(const QWidget* view) const
{
    if (!view || !view->isVisible())
        return {};
    return {view->mapTo(this, QPoint(0, 0)), view->size()};
}

bool KXHomeViewController::isInsidePopUpControls(const QPointF& globalPosition) const
{
    // What the window does not show is outside: a pointer gone off a short window below the
    // pop-up has left it.
    const QPoint point = mapFromGlobal(globalPosition).toPoint();
    const auto inside = [&](const QWidget* view) { return frameInView(view).intersected(rect()).contains(point); };
    return inside(groupExtendView_) || inside(myFocusBtn_) || inside(fontManagerBtn_);
}

void KXHomeViewController::changewidthClick()
{
    auto& state = KXHomeProcessState::shared();
    state.menuExpanded = !state.menuExpanded;
    const std::vector<KXLeftTabView*> collapsible{recommendBtn_, cloudBtn_, localBtn_, recentBtn_, myFocusBtn_, fontManagerBtn_, fontStoreBtn_};
    // The direction follows the clicks; a click during the animation turns it back from where the
    // menu is, not from where the animation was heading.
    const bool animating = menuAnimation_ && menuAnimation_->state() == QAbstractAnimation::Running;
    const int from = animating ? leftMenu_->width() : menuWidth_;
    const bool collapsing = !isMenuCollapsed();
    if (collapsing) {
        for (KXLeftTabView* tab : collapsible)
            tab->setCollapse(true);
        stretchBtn_->setImage(KXImage::imageNamed("leftArrow"));
        newgroupBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
        menuWidth_ = kCollapsedMenuWidth;
    } else {
        stretchBtn_->setImage(KXImage::imageNamed("rightArrow"));
        for (KXLeftTabView* tab : collapsible)
            tab->setCollapse(false);
        newgroupBtn_->setImagePosition(KXBaseButton::ImagePosition::Leading);
        menuWidth_ = kMenuWidth;
    }
    moveWindowForCollapse(collapsing);
    if (accordion_.isCollectionOpen())
        layOutNewGroupButton();
    animateMenu(from, menuWidth_, [this] { reloadSideTables(); });
}

QVariantAnimation* KXHomeViewController::menuAnimation() const
{
    return menuAnimation_;
}

void KXHomeViewController::applyMenuMetrics(double width)
{
    // The avatar shrinks with the menu: 50 at 90, 30 at 50.
    const double avatar = 30 + (width - kCollapsedMenuWidth) * 20 / (kMenuWidth - kCollapsedMenuWidth);
    lc_updateConstraints(lcView(leftMenu_), [width](LCConstraintMaker& make) { make.width().equalTo(width); });
    lc_updateConstraints(lcView(avatarImg_), [avatar](LCConstraintMaker& make) { make.width().height().equalTo(avatar); });
    avatarImg_->setCornerRadius(avatar / 2);
}

void KXHomeViewController::animateMenu(int fromWidth, int toWidth, std::function<void()> completion)
{
    if (menuAnimation_)
        menuAnimation_->stop();
    if (!animationsEnabled()) {
        applyMenuMetrics(toWidth);
        completion();
        return;
    }
    auto* animation = new QVariantAnimation(this);
    menuAnimation_ = animation;
    animation->setStartValue(static_cast<double>(fromWidth));
    animation->setEndValue(static_cast<double>(toWidth));
    animation->setDuration(kCollapseMilliseconds);
    animation->setEasingCurve(easeIn());
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { applyMenuMetrics(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, [this, toWidth, completion = std::move(completion)] {
        applyMenuMetrics(toWidth);
        completion();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KXHomeViewController::moveWindowForCollapse(bool collapsing)
{
    QWidget* shown = window();
    // A maximised window keeps its size, and a restore gives back the size it had before: the
    // menu's toggle there moves no window, and neither does the toggle that later undoes it.
    if (!shown || shown->isMaximized() || shown->isFullScreen() || collapsing == windowShrunkForMenu_)
        return;
    windowShrunkForMenu_ = collapsing;
    // The window's minimum follows the menu, so a window at its minimum can still shrink and two
    // clicks give back the first frame. On Wayland no client may move its window: the right edge
    // moves instead of the left.
    QRect frame = shown->geometry();
    const int shift = collapsing ? kCollapseShift : -kCollapseShift;
    if (collapsing) {
        expandedMinimumWidth_ = shown->minimumWidth();
        shown->setMinimumWidth(std::max(0, expandedMinimumWidth_ - kCollapseShift));
    }
    frame.setWidth(frame.width() - shift);
    if (windowsMayMove())
        frame.moveLeft(frame.left() + shift);
    shown->setGeometry(frame);
    if (!collapsing && expandedMinimumWidth_ > 0)
        shown->setMinimumWidth(expandedMinimumWidth_);
}
