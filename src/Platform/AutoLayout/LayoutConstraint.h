#pragma once

#include "Platform/AutoLayout/LayoutAttribute.h"

#include <memory>
#include <string>

namespace autolayout {

class View;

// One layout constraint: firstItem.firstAttribute relation multiplier * secondItem.secondAttribute
// + constant, at a priority from 1 to 1000 (1000 = required). A constraint is active while a view
// holds it; it is then solved in that view's coordinate space, the view itself counting with
// its bounds at origin 0. Items are held weakly; the holding view owns the constraint.
// Main thread only, like the views.
class LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint> {
public:
    LayoutConstraint(View* firstItem, LayoutAttribute firstAttribute, LayoutRelation relation, View* secondItem,
        LayoutAttribute secondAttribute, double multiplier, double constant);
    virtual ~LayoutConstraint();
    LayoutConstraint(const LayoutConstraint&) = delete;
    LayoutConstraint& operator=(const LayoutConstraint&) = delete;

    static std::shared_ptr<LayoutConstraint> constraintWithItem(View* firstItem, LayoutAttribute firstAttribute,
        LayoutRelation relation, View* secondItem, LayoutAttribute secondAttribute, double multiplier,
        double constant);

    View* firstItem() const;
    LayoutAttribute firstAttribute() const { return firstAttribute_; }
    LayoutRelation relation() const { return relation_; }
    View* secondItem() const;
    LayoutAttribute secondAttribute() const { return secondAttribute_; }
    double multiplier() const { return multiplier_; }

    double constant() const { return constant_; }
    // Takes effect at the next layout pass of the window, which it schedules.
    void setConstant(double constant);
    LayoutPriority priority() const { return priority_; }
    void setPriority(LayoutPriority priority);
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }

    // False once an item the constraint was made with has gone away: it then relates nothing.
    bool itemsAlive() const;

    // The view that holds the constraint, or null.
    View* view() const;
    bool isActive() const { return view() != nullptr; }
    // Activating adds the constraint to the closest common ancestor of its items (the first
    // item alone when there is no second); deactivating removes it from the view holding it.
    // Activation between items without a common ancestor does nothing and returns false.
    bool setActive(bool active);

    virtual std::string className() const { return "LayoutConstraint"; }
    virtual std::string description() const;

private:
    friend class View;
    void changed();

    // A weak reference that answers with the address it keeps while the view lives: a layout
    // pass asks for items thousands of times, and locking would count references each time.
    class ViewLink {
    public:
        ViewLink() = default;
        explicit ViewLink(View* view);
        View* get() const { return weak_.expired() ? nullptr : view_; }
        bool expired() const { return weak_.expired(); }
        void reset()
        {
            weak_.reset();
            view_ = nullptr;
        }

    private:
        std::weak_ptr<View> weak_;
        View* view_ = nullptr;
    };

    ViewLink first_;
    ViewLink second_;
    ViewLink view_;
    bool hadSecondItem_;
    LayoutAttribute firstAttribute_;
    LayoutAttribute secondAttribute_;
    LayoutRelation relation_;
    double multiplier_;
    double constant_;
    LayoutPriority priority_ = priority::required;
    std::string identifier_;
};

} // namespace autolayout
