#pragma once

#include "Lib/LayoutConstraints/LCAttributeChain.h"
#include "Lib/LayoutConstraints/LCValue.h"
#include "Platform/AutoLayout/LayoutAttribute.h"

#include <memory>
#include <stdexcept>
#include <string>

class LCConstraint;

// The owner of constraints in a chain (the maker, or a composite): it is told when a constraint
// must be replaced by another, and makes the constraint for a further attribute of the same view.
class LCConstraintDelegate {
public:
    virtual ~LCConstraintDelegate() = default;
    // constraint:shouldBeReplacedWithConstraint:
    virtual void constraint(LCConstraint& old, const std::shared_ptr<LCConstraint>& replacement) = 0;
    // constraint:addConstraintWithLayoutAttribute:
    virtual std::shared_ptr<LCConstraint> constraint(LCConstraint* constraint, autolayout::LayoutAttribute attribute) = 0;
};

// Raised by the operations that a concrete constraint must provide, when it does not.
class LCInternalInconsistencyException : public std::logic_error {
public:
    explicit LCInternalInconsistencyException(const std::string& reason)
        : std::logic_error(reason)
    {
    }
    static const char* name() { return "NSInternalInconsistencyException"; }
};

// The chainable constraint that constraint blocks talk to:
//     make.left().equalTo(other).offset(10);
//     make.top().and_().left().equalTo(lc_bottom(header)).priorityHigh();
// Every step returns the constraint to continue with (the relation steps may hand back a
// composite that took this constraint's place). `and_()` stands for the original's `and`, which
// C++ reserves. The steps forward to a few primitive operations that the concrete kinds provide.
// Owned through std::shared_ptr; used from view set-up code on the main thread.
class LCConstraint : public LCAttributeChain<LCConstraint>, public std::enable_shared_from_this<LCConstraint> {
public:
    LCConstraint() = default;
    virtual ~LCConstraint();
    LCConstraint(const LCConstraint&) = delete;
    LCConstraint& operator=(const LCConstraint&) = delete;

    // Relations.
    LCConstraint& equalTo(const LCValue& object) { return equalToWithRelation(object, autolayout::LayoutRelation::Equal); }
    LCConstraint& lc_equalTo(const LCValue& object) { return equalTo(object); }
    LCConstraint& greaterThanOrEqualTo(const LCValue& object);
    LCConstraint& lc_greaterThanOrEqualTo(const LCValue& object) { return greaterThanOrEqualTo(object); }
    LCConstraint& lessThanOrEqualTo(const LCValue& object);
    LCConstraint& lc_lessThanOrEqualTo(const LCValue& object) { return lessThanOrEqualTo(object); }

    // Values.
    LCConstraint& priorityLow() { return priority(autolayout::priority::defaultLow); }
    LCConstraint& priorityMedium() { return priority(501.0f); }
    LCConstraint& priorityHigh() { return priority(autolayout::priority::defaultHigh); }
    LCConstraint& insets(LCEdgeInsets insets);
    LCConstraint& inset(double inset);
    LCConstraint& sizeOffset(LCSize offset);
    LCConstraint& centerOffset(LCPoint offset);
    LCConstraint& offset(double offset);
    LCConstraint& valueOffset(const LCValue& value);
    // A number sets the offset; a point, size or edge insets the centre, size or inset offsets.
    void setLayoutConstantWithValue(const LCValue& value);

    // Words that only make the chain read well.
    LCConstraint& with() { return *this; }
    LCConstraint& and_() { return *this; }


    // Primitive operations: each kind of constraint provides them; here they raise
    // LCInternalInconsistencyException "You must override <operation> in a subclass.".
    virtual LCConstraint& addConstraintWithLayoutAttribute(autolayout::LayoutAttribute attribute);
    virtual LCConstraint& multipliedBy(double multiplier);
    virtual LCConstraint& dividedBy(double divider);
    virtual LCConstraint& priority(autolayout::LayoutPriority priority);
    virtual LCConstraint& equalToWithRelation(const LCValue& object, autolayout::LayoutRelation relation);
    virtual LCConstraint& key(const std::string& key);
    virtual void setInsets(LCEdgeInsets insets);
    virtual void setInset(double inset);
    virtual void setSizeOffset(LCSize offset);
    virtual void setCenterOffset(LCPoint offset);
    virtual void setOffset(double offset);
    virtual LCConstraint& animator();
    virtual void activate();
    virtual void deactivate();
    virtual void install();
    virtual void uninstall();

    bool updateExisting() const { return updateExisting_; }
    void setUpdateExisting(bool updateExisting) { updateExisting_ = updateExisting; }
    std::shared_ptr<LCConstraintDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<LCConstraintDelegate> delegate) { delegate_ = std::move(delegate); }

private:
    [[noreturn]] static void mustOverride(const char* operation);

    std::weak_ptr<LCConstraintDelegate> delegate_;
    bool updateExisting_ = false;
};
