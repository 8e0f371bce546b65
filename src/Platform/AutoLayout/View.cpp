#include "Platform/AutoLayout/View.h"

#include "Platform/AutoLayout/LayoutConstraint.h"

#include <algorithm>
#include <iterator>

namespace autolayout {

View::View() = default;

View::~View()
{
    for (const auto& constraint : constraints_)
        constraint->view_.reset();
}

Size View::intrinsicContentSize() const
{
    return Size { noIntrinsicMetric, noIntrinsicMetric };
}

void View::addConstraint(const std::shared_ptr<LayoutConstraint>& constraint)
{
    if (!constraint)
        return;
    if (View* holder = constraint->view()) {
        if (holder == this)
            return;
        holder->removeConstraint(constraint.get());
    }
    constraint->view_ = LayoutConstraint::ViewLink(this);
    constraints_.push_back(constraint);
    setNeedsLayout();
}

void View::removeConstraint(const LayoutConstraint* constraint)
{
    auto it = std::find_if(constraints_.begin(), constraints_.end(),
        [constraint](const auto& held) { return held.get() == constraint; });
    if (it == constraints_.end())
        return;
    // Keeps the constraint alive until its link back to this view is cleared.
    std::shared_ptr<LayoutConstraint> removed = *it;
    constraints_.erase(it);
    removed->view_.reset();
    setNeedsLayout();
}

void View::setTranslatesAutoresizingMaskIntoConstraints(bool translates)
{
    if (translatesAutoresizingMask_ == translates)
        return;
    translatesAutoresizingMask_ = translates;
    setNeedsLayout();
}

LayoutPriority View::contentHuggingPriority(LayoutAxis axis) const
{
    return hugging_[static_cast<int>(axis)];
}

void View::setContentHuggingPriority(LayoutPriority priority, LayoutAxis axis)
{
    hugging_[static_cast<int>(axis)] = priority;
    setNeedsLayout();
}

LayoutPriority View::contentCompressionResistancePriority(LayoutAxis axis) const
{
    return compression_[static_cast<int>(axis)];
}

void View::setContentCompressionResistancePriority(LayoutPriority priority, LayoutAxis axis)
{
    compression_[static_cast<int>(axis)] = priority;
    setNeedsLayout();
}

void View::setNeedsLayout()
{
    View* top = root();
    ++top->layoutGeneration_;
    top->layoutInvalidated();
}

View* View::root()
{
    View* view = this;
    while (View* parent = view->superview())
        view = parent;
    return view;
}

bool View::isDescendantOf(const View* ancestor) const
{
    for (const View* view = this; view; view = view->superview()) {
        if (view == ancestor)
            return true;
    }
    return false;
}

View* View::closestCommonAncestor(View* other)
{
    // This view's own line of ancestors once, so that each candidate is a lookup rather than
    // another walk up the tree (asking for a superview may cost a toolkit call).
    View* ancestors[16];
    std::size_t count = 0;
    for (View* view = this; view; view = view->superview()) {
        if (count == std::size(ancestors)) {
            // A deep tree: walk it for every candidate instead.
            for (View* candidate = other; candidate; candidate = candidate->superview()) {
                if (isDescendantOf(candidate))
                    return candidate;
            }
            return nullptr;
        }
        ancestors[count++] = view;
    }
    for (View* candidate = other; candidate; candidate = candidate->superview()) {
        if (std::find(ancestors, ancestors + count, candidate) != ancestors + count)
            return candidate;
    }
    return nullptr;
}

void View::removeConstraintsHeldByAncestors()
{
    for (View* ancestor = superview(); ancestor; ancestor = ancestor->superview()) {
        std::vector<const LayoutConstraint*> crossing;
        for (const auto& constraint : ancestor->constraints_) {
            View* first = constraint->firstItem();
            View* second = constraint->secondItem();
            if ((first && first->isDescendantOf(this)) || (second && second->isDescendantOf(this)))
                crossing.push_back(constraint.get());
        }
        for (const LayoutConstraint* constraint : crossing)
            ancestor->removeConstraint(constraint);
    }
}

std::shared_ptr<void> View::associatedObject(const void* key) const
{
    auto it = associated_.find(key);
    return it == associated_.end() ? nullptr : it->second;
}

void View::setAssociatedObject(const void* key, std::shared_ptr<void> object)
{
    if (object)
        associated_[key] = std::move(object);
    else
        associated_.erase(key);
}

} // namespace autolayout
