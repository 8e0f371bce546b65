#include "Platform/AutoLayout/LayoutConstraint.h"

#include "Platform/AutoLayout/View.h"

#include <cstdio>

namespace autolayout {

LayoutConstraint::ViewLink::ViewLink(View* view)
    : weak_(view ? view->weak_from_this() : std::weak_ptr<View>())
    , view_(view)
{
}

LayoutConstraint::LayoutConstraint(View* firstItem, LayoutAttribute firstAttribute, LayoutRelation relation,
    View* secondItem, LayoutAttribute secondAttribute, double multiplier, double constant)
    : first_(firstItem)
    , second_(secondItem)
    , hadSecondItem_(secondItem != nullptr)
    , firstAttribute_(firstAttribute)
    , secondAttribute_(secondAttribute)
    , relation_(relation)
    , multiplier_(multiplier)
    , constant_(constant)
{
}

LayoutConstraint::~LayoutConstraint() = default;

std::shared_ptr<LayoutConstraint> LayoutConstraint::constraintWithItem(View* firstItem,
    LayoutAttribute firstAttribute, LayoutRelation relation, View* secondItem, LayoutAttribute secondAttribute,
    double multiplier, double constant)
{
    return std::make_shared<LayoutConstraint>(firstItem, firstAttribute, relation, secondItem, secondAttribute,
        multiplier, constant);
}

View* LayoutConstraint::firstItem() const
{
    return first_.get();
}

View* LayoutConstraint::secondItem() const
{
    return second_.get();
}

bool LayoutConstraint::itemsAlive() const
{
    return !first_.expired() && (!hadSecondItem_ || !second_.expired());
}

View* LayoutConstraint::view() const
{
    return view_.get();
}

void LayoutConstraint::changed()
{
    if (View* holder = view())
        holder->setNeedsLayout();
}

void LayoutConstraint::setConstant(double constant)
{
    if (constant_ == constant)
        return;
    constant_ = constant;
    changed();
}

void LayoutConstraint::setPriority(LayoutPriority priority)
{
    if (priority_ == priority)
        return;
    priority_ = priority;
    changed();
}

bool LayoutConstraint::setActive(bool active)
{
    if (!active) {
        if (View* holder = view())
            holder->removeConstraint(this);
        return true;
    }
    if (isActive())
        return true;
    View* first = firstItem();
    View* second = secondItem();
    View* holder = second ? (first ? first->closestCommonAncestor(second) : nullptr) : first;
    if (!holder)
        return false;
    holder->addConstraint(shared_from_this());
    return true;
}

std::string LayoutConstraint::description() const
{
    static const char* relations[] = { "<=", "==", ">=" };
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "<%s:%p item1=%p.%lld %s item2=%p.%lld * %g + %g @%g>",
        className().c_str(), static_cast<const void*>(this), static_cast<const void*>(firstItem()),
        static_cast<long long>(firstAttribute_), relations[static_cast<int>(relation_) + 1],
        static_cast<const void*>(secondItem()), static_cast<long long>(secondAttribute_), multiplier_, constant_,
        static_cast<double>(priority_));
    return buffer;
}

} // namespace autolayout
