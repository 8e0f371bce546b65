#include "Class/Store/KXOfferPopUpHover.h"

#include "Class/Store/Core/KXBrandLookup.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXFontsSaleAlertView.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Platform/Dispatch/Queue.h"

namespace {

KXStoreRect rectIn(QWidget* view, QWidget* space)
{
    const QPoint origin = view->mapTo(space, QPoint(0, 0));
    return { static_cast<double>(origin.x()), static_cast<double>(origin.y()),
        static_cast<double>(view->width()), static_cast<double>(view->height()) };
}

} // namespace

KXOfferPopUpHover::KXOfferPopUpHover(QWidget* owner, KXStoreTableView* table, const KXBrandLookup& lookup)
    : owner_(owner)
    , table_(table)
    , lookup_(lookup)
    , hovering_(std::make_shared<bool>(false))
{
}

KXOfferPopUpHover::~KXOfferPopUpHover()
{
    // A detached pop-up has no parent to take it along.
    if (alertView_ && !alertView_->parentWidget())
        delete alertView_.data();
}

KXFontsSaleAlertView* KXOfferPopUpHover::alertView()
{
    if (!alertView_) {
        alertView_ = new KXFontsSaleAlertView();
        alertView_->setHostView(owner_);
        kx_setKeptByHolder(alertView_, true);
        alertView_->hide();
    }
    return alertView_;
}

void KXOfferPopUpHover::mouseEntered(KXBaseButton* box)
{
    *hovering_ = true;
    if (!owner_ || !table_)
        return;
    KXFontsSaleAlertView* popUp = alertView();
    QWidget* rows = table_->viewport();
    if (popUp->isHidden() || popUp->parentWidget() != rows) {
        popUp->setParent(rows);
        popUp->hide();
    }
    if (popUp->isShow())
        return;
    if (!box) {
        popUp->setInfo({});
        return;
    }
    popUp->setInfo(lookup_.offerForBrandID(box->identifier().toStdString()));
    const auto placement = KXStoreGeometry::popUpPlacement(
        rectIn(box, owner_), owner_->width(), owner_->height(), rectIn(box, rows));
    popUp->setGeometry(static_cast<int>(placement.frame.x), static_cast<int>(placement.frame.y),
        static_cast<int>(placement.frame.width), static_cast<int>(placement.frame.height));
    popUp->show();
    popUp->raise();
}

void KXOfferPopUpHover::mouseExited(KXBaseButton* /*box*/)
{
    *hovering_ = false;
    if (!alertView_ || alertView_->isHidden())
        return;
    QPointer<KXFontsSaleAlertView> popUp(alertView_);
    QPointer<QWidget> owner(owner_);
    std::weak_ptr<bool> hovering = hovering_;
    dispatch::mainQueue().after(kHideDelay, [popUp, owner, hovering] {
        auto flag = hovering.lock();
        if (!flag || !owner || !popUp || *flag || popUp->isShow())
            return;
        popUp->hide();
        popUp->resize(static_cast<int>(KXStoreGeometry::kPopUpWidth), 0);
        kx_removeFromSuperview(popUp);
        *flag = false;
    });
}
