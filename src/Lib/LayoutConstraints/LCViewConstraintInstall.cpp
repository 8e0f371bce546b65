#include "Lib/LayoutConstraints/LCDebugAdditions.h"
#include "Lib/LayoutConstraints/LCLog.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "Platform/AutoLayout/View.h"

using autolayout::LayoutAttribute;
using autolayout::View;

void LCViewConstraint::install()
{
    if (hasBeenInstalled())
        return;
    View* firstView = firstViewAttribute_.view();
    auto self = std::static_pointer_cast<LCViewConstraint>(shared_from_this());

    // Deactivated earlier and still alive: switch it back on where it was.
    if (auto existing = layoutConstraint(); existing && supportsActiveProperty()) {
        existing->setActive(true);
        if (firstView)
            lc_installedConstraints(*firstView).add(self);
        return;
    }
    if (!firstView)
        return;

    View* firstItem = firstViewAttribute_.item();
    LayoutAttribute firstAttribute = firstViewAttribute_.layoutAttribute();
    View* secondItem = secondViewAttribute_ ? secondViewAttribute_->item() : nullptr;
    LayoutAttribute secondAttribute
        = secondViewAttribute_ ? secondViewAttribute_->layoutAttribute() : LayoutAttribute::NotAnAttribute;
    // A constant-only position is measured from the superview's same attribute; a constant-only
    // size is absolute.
    if (!firstViewAttribute_.isSizeAttribute() && !secondViewAttribute_) {
        secondItem = firstView->superview();
        secondAttribute = firstAttribute;
    }

    auto layoutConstraint = LCLayoutConstraint::constraintWithItem(firstItem, firstAttribute, layoutRelation_,
        secondItem, secondAttribute, layoutMultiplier_, layoutConstant_);
    layoutConstraint->setPriority(layoutPriority_);
    layoutConstraint->setLc_key(key_);

    View* installedView = nullptr;
    if (secondViewAttribute_ && secondViewAttribute_->view())
        installedView = firstView->closestCommonAncestor(secondViewAttribute_->view());
    else if (firstViewAttribute_.isSizeAttribute())
        installedView = firstView;
    else
        installedView = firstView->superview();

    // Recording a constraint nobody holds as installed would hide a layout that never applies.
    if (!installedView) {
        LCLog("LCViewConstraint: no common superview, constraint not installed: "
            + LCDebugAdditions::description(*layoutConstraint));
        return;
    }
    installedView_ = installedView->weak_from_this();

    if (updateExisting()) {
        if (auto similar = layoutConstraintSimilarTo(*layoutConstraint)) {
            similar->setConstant(layoutConstraint->constant());
            layoutConstraint_ = similar;
            return;
        }
    }
    installedView->addConstraint(layoutConstraint);
    layoutConstraint_ = layoutConstraint;
    lc_installedConstraints(*firstView).add(self);
}

std::shared_ptr<LCLayoutConstraint> LCViewConstraint::layoutConstraintSimilarTo(
    const LCLayoutConstraint& candidate) const
{
    View* installed = installedView();
    if (!installed)
        return nullptr;
    const auto& held = installed->constraints();
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        auto existing = std::dynamic_pointer_cast<LCLayoutConstraint>(*it);
        if (!existing)
            continue;
        if (existing->firstItem() == candidate.firstItem() && existing->secondItem() == candidate.secondItem()
            && existing->firstAttribute() == candidate.firstAttribute()
            && existing->secondAttribute() == candidate.secondAttribute()
            && existing->relation() == candidate.relation() && existing->multiplier() == candidate.multiplier()
            && existing->priority() == candidate.priority())
            return existing;
    }
    return nullptr;
}

void LCViewConstraint::uninstall()
{
    // The installed set may hold the last reference to this constraint.
    auto self = shared_from_this();
    if (auto installed = layoutConstraint(); installed && supportsActiveProperty()) {
        installed->setActive(false);
    } else {
        if (installed) {
            if (View* view = installedView())
                view->removeConstraint(installed.get());
        }
        layoutConstraint_.reset();
        installedView_.reset();
    }
    if (View* firstView = firstViewAttribute_.view())
        lc_installedConstraints(*firstView).remove(this);
}
