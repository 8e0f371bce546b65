#include "Lib/LayoutConstraints/LCViewConstraint.h"

#include "Lib/LayoutConstraints/LCCompositeConstraint.h"
#include "Lib/LayoutConstraints/LCLog.h"
#include "Platform/AutoLayout/View.h"

#include <algorithm>

using autolayout::LayoutAttribute;

void LCConstraintSet::add(const std::shared_ptr<LCViewConstraint>& constraint)
{
    if (contains(constraint.get()))
        return;
    // Views hold a few constraints each: room for them at once rather than growing step by step.
    if (constraints_.empty())
        constraints_.reserve(4);
    constraints_.push_back(constraint);
}

void LCConstraintSet::remove(const LCViewConstraint* constraint)
{
    auto it = std::find_if(constraints_.begin(), constraints_.end(),
        [constraint](const auto& held) { return held.get() == constraint; });
    if (it != constraints_.end())
        constraints_.erase(it);
}

bool LCConstraintSet::contains(const LCViewConstraint* constraint) const
{
    return std::any_of(constraints_.begin(), constraints_.end(),
        [constraint](const auto& held) { return held.get() == constraint; });
}

LCConstraintSet& lc_installedConstraints(autolayout::View& view)
{
    static const char key = 0;
    auto set = std::static_pointer_cast<LCConstraintSet>(view.associatedObject(&key));
    if (!set) {
        set = std::make_shared<LCConstraintSet>();
        view.setAssociatedObject(&key, set);
    }
    return *set;
}

LCViewConstraint::LCViewConstraint(const LCViewAttribute& firstViewAttribute)
    : firstViewAttribute_(firstViewAttribute)
{
}

std::shared_ptr<LCViewConstraint> LCViewConstraint::copy() const
{
    auto constraint = std::make_shared<LCViewConstraint>(firstViewAttribute_);
    constraint->setLayoutConstant(layoutConstant_);
    constraint->setLayoutRelation(layoutRelation_);
    constraint->layoutPriority_ = layoutPriority_;
    constraint->layoutMultiplier_ = layoutMultiplier_;
    constraint->setDelegate(delegate());
    return constraint;
}

void LCViewConstraint::setLayoutRelation(autolayout::LayoutRelation relation)
{
    layoutRelation_ = relation;
    hasLayoutRelation_ = true;
}

void LCViewConstraint::setLayoutConstant(double constant)
{
    layoutConstant_ = constant;
    // Nothing animates here: the animator form changes the constant at once as well.
    if (auto installed = layoutConstraint())
        installed->setConstant(constant);
}

void LCViewConstraint::setSecondViewAttribute(const LCValue& object)
{
    LayoutAttribute first = firstViewAttribute_.layoutAttribute();
    if (object.isValue()) {
        setLayoutConstantWithValue(object);
    } else if (autolayout::View* view = object.view()) {
        secondViewAttribute_ = LCViewAttribute(view, first);
    } else if (const LCViewAttribute* attribute = object.viewAttribute()) {
        if (attribute->layoutAttribute() == LayoutAttribute::NotAnAttribute)
            secondViewAttribute_ = LCViewAttribute(attribute->view(), attribute->item(), first);
        else
            secondViewAttribute_ = *attribute;
    }
}

LCConstraint& LCViewConstraint::addConstraintWithLayoutAttribute(LayoutAttribute attribute)
{
    auto owner = delegate();
    if (!owner)
        return *this; // a constraint outside any chain has nobody to make the next one
    return *owner->constraint(this, attribute);
}

LCConstraint& LCViewConstraint::multipliedBy(double multiplier)
{
    layoutMultiplier_ = multiplier;
    return *this;
}

LCConstraint& LCViewConstraint::dividedBy(double divider)
{
    layoutMultiplier_ = 1.0 / divider;
    return *this;
}

LCConstraint& LCViewConstraint::priority(autolayout::LayoutPriority priority)
{
    layoutPriority_ = priority;
    return *this;
}

LCConstraint& LCViewConstraint::key(const std::string& key)
{
    key_ = key;
    return *this;
}

LCConstraint& LCViewConstraint::equalToWithRelation(const LCValue& object, autolayout::LayoutRelation relation)
{
    const LCValue::Array* array = object.array();
    if (!array) {
        setLayoutRelation(relation);
        setSecondViewAttribute(object);
        return *this;
    }
    std::vector<std::shared_ptr<LCConstraint>> children;
    for (const LCValue& element : *array) {
        auto child = copy();
        child->setLayoutRelation(relation);
        child->setSecondViewAttribute(element);
        children.push_back(child);
    }
    auto composite = LCCompositeConstraint::create(children);
    auto owner = delegate();
    composite->setDelegate(owner);
    // The owner drops this constraint while replacing it; stay alive until the step returns.
    auto self = shared_from_this();
    if (owner)
        owner->constraint(*this, composite);
    else
        replacement_ = composite;
    return *composite;
}

void LCViewConstraint::setInsets(LCEdgeInsets insets)
{
    switch (firstViewAttribute_.layoutAttribute()) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Leading:
        setLayoutConstant(insets.left);
        break;
    case LayoutAttribute::Right:
    case LayoutAttribute::Trailing:
        setLayoutConstant(-insets.right);
        break;
    case LayoutAttribute::Top:
        setLayoutConstant(insets.top);
        break;
    case LayoutAttribute::Bottom:
        setLayoutConstant(-insets.bottom);
        break;
    default:
        break;
    }
}

void LCViewConstraint::setInset(double inset)
{
    setInsets(LCEdgeInsets { inset, inset, inset, inset });
}

void LCViewConstraint::setSizeOffset(LCSize offset)
{
    if (firstViewAttribute_.layoutAttribute() == LayoutAttribute::Width)
        setLayoutConstant(offset.width);
    else if (firstViewAttribute_.layoutAttribute() == LayoutAttribute::Height)
        setLayoutConstant(offset.height);
}

void LCViewConstraint::setCenterOffset(LCPoint offset)
{
    if (firstViewAttribute_.layoutAttribute() == LayoutAttribute::CenterX)
        setLayoutConstant(offset.x);
    else if (firstViewAttribute_.layoutAttribute() == LayoutAttribute::CenterY)
        setLayoutConstant(offset.y);
}

void LCViewConstraint::setOffset(double offset)
{
    setLayoutConstant(offset);
}

LCConstraint& LCViewConstraint::animator()
{
    useAnimator_ = true;
    return *this;
}

bool LCViewConstraint::isActive() const
{
    auto installed = layoutConstraint();
    return installed ? installed->isActive() : true;
}

bool LCViewConstraint::hasBeenInstalled() const
{
    return layoutConstraint() != nullptr && isActive();
}

std::vector<std::shared_ptr<LCViewConstraint>> LCViewConstraint::installedConstraintsForView(autolayout::View& view)
{
    return lc_installedConstraints(view).allObjects();
}
