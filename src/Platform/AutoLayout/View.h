#pragma once

#include "Platform/AutoLayout/Geometry.h"
#include "Platform/AutoLayout/LayoutAttribute.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace autolayout {

class LayoutConstraint;

// The view tree that layout works on, independent of any widget toolkit. A concrete tree
// provides the parent/child links, the frame and the intrinsic size; this base keeps what the
// layout system records on every view: the constraints it holds, whether its frame is fixed
// by its owner rather than by constraints, its hugging and compression priorities, and
// objects that other components attach to it.
// Views are owned through std::shared_ptr (constraints refer to them weakly). Main thread only.
class View : public std::enable_shared_from_this<View> {
public:
    View();
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual View* superview() const = 0;
    virtual std::vector<View*> subviews() const = 0;
    // In the superview's coordinates.
    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame) = 0;
    // noIntrinsicMetric in a direction without a natural size.
    virtual Size intrinsicContentSize() const;
    // The type name that descriptions show.
    virtual std::string className() const = 0;

    // Holding a constraint activates it; a constraint is held by one view at a time.
    void addConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    void removeConstraint(const LayoutConstraint* constraint);
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const { return constraints_; }

    // True (the default) means the frame is the owner's business and layout keeps it as it is;
    // false hands the frame to the constraints.
    bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizingMask_; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);

    LayoutPriority contentHuggingPriority(LayoutAxis axis) const;
    void setContentHuggingPriority(LayoutPriority priority, LayoutAxis axis);
    LayoutPriority contentCompressionResistancePriority(LayoutAxis axis) const;
    void setContentCompressionResistancePriority(LayoutPriority priority, LayoutAxis axis);
    void invalidateIntrinsicContentSize() { setNeedsLayout(); }

    // Schedules a layout pass of the tree this view belongs to.
    void setNeedsLayout();
    // Counts the changes under a root; a layout engine compares it with what it last saw.
    std::uint64_t layoutGeneration() const { return layoutGeneration_; }

    View* root();
    bool isDescendantOf(const View* ancestor) const;
    // The nearest view that is this view or an ancestor of it and also of `other`.
    View* closestCommonAncestor(View* other);

    // Objects other components attach to a view, keyed by the address of a key of theirs.
    std::shared_ptr<void> associatedObject(const void* key) const;
    void setAssociatedObject(const void* key, std::shared_ptr<void> object);

protected:
    // Before this view leaves its superview: constraints held by its ancestors that involve
    // this view or a view under it lose their meaning and are removed, as a moved view does not
    // take its old neighbours' constraints along.
    void removeConstraintsHeldByAncestors();

    // Called on the root of a tree whenever something in it needs a new layout pass. A toolkit
    // adapter schedules the pass here.
    virtual void layoutInvalidated() {}

private:
    // First, beside the object's header: a layout pass reads it for every view.
    bool translatesAutoresizingMask_ = true;
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
    std::map<const void*, std::shared_ptr<void>> associated_;
    std::uint64_t layoutGeneration_ = 0;
    LayoutPriority hugging_[2] = { priority::defaultLow, priority::defaultLow };
    LayoutPriority compression_[2] = { priority::defaultHigh, priority::defaultHigh };
};

} // namespace autolayout
