#include "Lib/LayoutConstraints/LCCompositeConstraint.h"

#include <algorithm>

std::shared_ptr<LCCompositeConstraint> LCCompositeConstraint::create(
    const std::vector<std::shared_ptr<LCConstraint>>& children)
{
    auto composite = std::make_shared<LCCompositeConstraint>();
    composite->children_ = children;
    for (const auto& child : composite->children_)
        child->setDelegate(composite->asDelegate());
    return composite;
}

std::weak_ptr<LCConstraintDelegate> LCCompositeConstraint::asDelegate()
{
    return std::shared_ptr<LCConstraintDelegate>(shared_from_this(), this);
}

template <class Step>
LCConstraint& LCCompositeConstraint::forEachChild(Step step)
{
    // A child may replace itself in the list while the walk runs; walk a copy.
    auto children = children_;
    for (const auto& child : children)
        step(*child);
    return *this;
}

LCConstraint& LCCompositeConstraint::addConstraintWithLayoutAttribute(autolayout::LayoutAttribute attribute)
{
    constraint(this, attribute);
    return *this;
}

LCConstraint& LCCompositeConstraint::multipliedBy(double multiplier)
{
    return forEachChild([=](LCConstraint& child) { child.multipliedBy(multiplier); });
}

LCConstraint& LCCompositeConstraint::dividedBy(double divider)
{
    return forEachChild([=](LCConstraint& child) { child.dividedBy(divider); });
}

LCConstraint& LCCompositeConstraint::priority(autolayout::LayoutPriority priority)
{
    return forEachChild([=](LCConstraint& child) { child.priority(priority); });
}

LCConstraint& LCCompositeConstraint::equalToWithRelation(const LCValue& object, autolayout::LayoutRelation relation)
{
    return forEachChild([&](LCConstraint& child) { child.equalToWithRelation(object, relation); });
}

LCConstraint& LCCompositeConstraint::key(const std::string& key)
{
    key_ = key;
    int position = 0;
    return forEachChild([&](LCConstraint& child) { child.key(key + "[" + std::to_string(position++) + "]"); });
}

void LCCompositeConstraint::setInsets(LCEdgeInsets insets)
{
    forEachChild([=](LCConstraint& child) { child.setInsets(insets); });
}

void LCCompositeConstraint::setInset(double inset)
{
    forEachChild([=](LCConstraint& child) { child.setInset(inset); });
}

void LCCompositeConstraint::setSizeOffset(LCSize offset)
{
    forEachChild([=](LCConstraint& child) { child.setSizeOffset(offset); });
}

void LCCompositeConstraint::setCenterOffset(LCPoint offset)
{
    forEachChild([=](LCConstraint& child) { child.setCenterOffset(offset); });
}

void LCCompositeConstraint::setOffset(double offset)
{
    forEachChild([=](LCConstraint& child) { child.setOffset(offset); });
}

LCConstraint& LCCompositeConstraint::animator()
{
    return forEachChild([](LCConstraint& child) { child.animator(); });
}

void LCCompositeConstraint::activate()
{
    forEachChild([](LCConstraint& child) { child.activate(); });
}

void LCCompositeConstraint::deactivate()
{
    forEachChild([](LCConstraint& child) { child.deactivate(); });
}

void LCCompositeConstraint::install()
{
    bool update = updateExisting();
    forEachChild([=](LCConstraint& child) {
        child.setUpdateExisting(update);
        child.install();
    });
}

void LCCompositeConstraint::uninstall()
{
    forEachChild([](LCConstraint& child) { child.uninstall(); });
}

void LCCompositeConstraint::constraint(LCConstraint& old, const std::shared_ptr<LCConstraint>& replacement)
{
    auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& child) { return child.get() == &old; });
    if (it != children_.end())
        *it = replacement;
}

std::shared_ptr<LCConstraint> LCCompositeConstraint::constraint(LCConstraint*, autolayout::LayoutAttribute attribute)
{
    auto owner = delegate();
    if (!owner)
        return nullptr;
    auto added = owner->constraint(this, attribute);
    if (!added)
        return nullptr;
    added->setDelegate(asDelegate());
    children_.push_back(added);
    return added;
}
