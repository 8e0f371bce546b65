#include "Lib/LayoutConstraints/LCLayoutConstraint.h"

#include "Lib/LayoutConstraints/LCDebugAdditions.h"

std::shared_ptr<LCLayoutConstraint> LCLayoutConstraint::constraintWithItem(autolayout::View* firstItem,
    autolayout::LayoutAttribute firstAttribute, autolayout::LayoutRelation relation, autolayout::View* secondItem,
    autolayout::LayoutAttribute secondAttribute, double multiplier, double constant)
{
    return std::make_shared<LCLayoutConstraint>(firstItem, firstAttribute, relation, secondItem, secondAttribute,
        multiplier, constant);
}

std::string LCLayoutConstraint::description() const
{
    return LCDebugAdditions::description(*this);
}
