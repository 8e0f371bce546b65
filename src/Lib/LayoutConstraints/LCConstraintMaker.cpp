#include "Lib/LayoutConstraints/LCConstraintMaker.h"

#include "Lib/LayoutConstraints/LCCompositeConstraint.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "Platform/AutoLayout/View.h"

#include <algorithm>

using autolayout::LayoutAttribute;

std::shared_ptr<LCConstraintMaker> LCConstraintMaker::create(autolayout::View& view)
{
    auto maker = std::make_shared<LCConstraintMaker>();
    maker->view_ = view.weak_from_this();
    // A block states a few constraints: room for them at once rather than growing step by step.
    maker->constraints_.reserve(4);
    return maker;
}

LCConstraint& LCConstraintMaker::addConstraintWithLayoutAttribute(LayoutAttribute attribute)
{
    return *constraint(nullptr, attribute);
}

std::shared_ptr<LCConstraint> LCConstraintMaker::constraint(LCConstraint* existing, LayoutAttribute attribute)
{
    auto added = std::make_shared<LCViewConstraint>(LCViewAttribute(view(), attribute));
    if (auto single = dynamic_cast<LCViewConstraint*>(existing)) {
        // A chain that named one attribute and now names another becomes a group of both.
        auto composite = LCCompositeConstraint::create({ single->shared_from_this(), added });
        composite->setDelegate(weak_from_this());
        constraint(*single, composite);
        return composite;
    }
    if (!existing) {
        added->setDelegate(weak_from_this());
        constraints_.push_back(added);
    }
    return added;
}

void LCConstraintMaker::constraint(LCConstraint& old, const std::shared_ptr<LCConstraint>& replacement)
{
    auto it = std::find_if(constraints_.begin(), constraints_.end(),
        [&](const auto& stated) { return stated.get() == &old; });
    if (it != constraints_.end())
        *it = replacement;
}

LCConstraint& LCConstraintMaker::addConstraintWithAttributes(LCAttributeMask mask)
{
    const std::pair<LCAttributeMask, LayoutAttribute> order[] = { { LCAttributeLeft, LayoutAttribute::Left },
        { LCAttributeRight, LayoutAttribute::Right }, { LCAttributeTop, LayoutAttribute::Top },
        { LCAttributeBottom, LayoutAttribute::Bottom }, { LCAttributeLeading, LayoutAttribute::Leading },
        { LCAttributeTrailing, LayoutAttribute::Trailing }, { LCAttributeWidth, LayoutAttribute::Width },
        { LCAttributeHeight, LayoutAttribute::Height }, { LCAttributeCenterX, LayoutAttribute::CenterX },
        { LCAttributeCenterY, LayoutAttribute::CenterY }, { LCAttributeBaseline, LayoutAttribute::Baseline },
        { LCAttributeFirstBaseline, LayoutAttribute::FirstBaseline },
        { LCAttributeLastBaseline, LayoutAttribute::LastBaseline } };
    std::vector<std::shared_ptr<LCConstraint>> children;
    for (const auto& [bit, attribute] : order) {
        if (mask & bit)
            children.push_back(std::make_shared<LCViewConstraint>(LCViewAttribute(view(), attribute)));
    }
    auto composite = LCCompositeConstraint::create(children);
    composite->setDelegate(weak_from_this());
    constraints_.push_back(composite);
    return *composite;
}

std::shared_ptr<LCConstraint> LCConstraintMaker::group(const std::function<void()>& block)
{
    std::size_t start = constraints_.size();
    if (block)
        block();
    std::vector<std::shared_ptr<LCConstraint>> grouped(
        constraints_.begin() + static_cast<std::ptrdiff_t>(std::min(start, constraints_.size())), constraints_.end());
    auto composite = LCCompositeConstraint::create(grouped);
    composite->setDelegate(weak_from_this());
    return composite;
}

std::vector<std::shared_ptr<LCConstraint>> LCConstraintMaker::install()
{
    if (removeExisting_) {
        if (autolayout::View* target = view()) {
            for (const auto& installed : LCViewConstraint::installedConstraintsForView(*target))
                installed->uninstall();
        }
    }
    // Taken out first: installing never states anything new on this maker.
    auto stated = std::move(constraints_);
    constraints_.clear();
    for (const auto& constraint : stated) {
        constraint->setUpdateExisting(updateExisting_);
        constraint->install();
    }
    return stated;
}
