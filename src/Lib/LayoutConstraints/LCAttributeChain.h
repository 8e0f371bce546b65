#pragma once

#include "Platform/AutoLayout/LayoutAttribute.h"

class LCConstraint;

// The attribute words shared by the maker (which starts chains) and by constraints (which
// extend them): each asks the owner's addConstraintWithLayoutAttribute for that attribute.
template <class Owner>
class LCAttributeChain {
public:
    LCConstraint& left() { return add(autolayout::LayoutAttribute::Left); }
    LCConstraint& top() { return add(autolayout::LayoutAttribute::Top); }
    LCConstraint& right() { return add(autolayout::LayoutAttribute::Right); }
    LCConstraint& bottom() { return add(autolayout::LayoutAttribute::Bottom); }
    LCConstraint& leading() { return add(autolayout::LayoutAttribute::Leading); }
    LCConstraint& trailing() { return add(autolayout::LayoutAttribute::Trailing); }
    LCConstraint& width() { return add(autolayout::LayoutAttribute::Width); }
    LCConstraint& height() { return add(autolayout::LayoutAttribute::Height); }
    LCConstraint& centerX() { return add(autolayout::LayoutAttribute::CenterX); }
    LCConstraint& centerY() { return add(autolayout::LayoutAttribute::CenterY); }
    LCConstraint& baseline() { return add(autolayout::LayoutAttribute::Baseline); }
    LCConstraint& firstBaseline() { return add(autolayout::LayoutAttribute::FirstBaseline); }
    LCConstraint& lastBaseline() { return add(autolayout::LayoutAttribute::LastBaseline); }

protected:
    ~LCAttributeChain() = default;

private:
    LCConstraint& add(autolayout::LayoutAttribute attribute)
    {
        return static_cast<Owner*>(this)->addConstraintWithLayoutAttribute(attribute);
    }
};
