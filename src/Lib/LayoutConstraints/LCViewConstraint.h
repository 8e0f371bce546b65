#pragma once

#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Lib/LayoutConstraints/LCLayoutConstraint.h"
#include "Lib/LayoutConstraints/LCViewAttribute.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class LCViewConstraint;

// The builder constraints installed for a view as their first view, in installation order.
// Owns them; they do not own their platform constraints, the view holding those does.
class LCConstraintSet {
public:
    void add(const std::shared_ptr<LCViewConstraint>& constraint);
    void remove(const LCViewConstraint* constraint);
    bool contains(const LCViewConstraint* constraint) const;
    std::vector<std::shared_ptr<LCViewConstraint>> allObjects() const { return constraints_; }
    std::size_t count() const { return constraints_.size(); }

private:
    std::vector<std::shared_ptr<LCViewConstraint>> constraints_;
};

// A view's installed builder constraints, made empty on first request.
LCConstraintSet& lc_installedConstraints(autolayout::View& view);

// One constraint between two view attributes (or one attribute and a constant), turned into an
// LCLayoutConstraint and added to the nearest common ancestor of its views when installed.
class LCViewConstraint final : public LCConstraint {
public:
    explicit LCViewConstraint(const LCViewAttribute& firstViewAttribute);

    // A new constraint with the same first attribute, constant, relation, priority, multiplier
    // and delegate; the second attribute, key, animator flag and installation are not copied.
    std::shared_ptr<LCViewConstraint> copy() const;

    const LCViewAttribute& firstViewAttribute() const { return firstViewAttribute_; }
    const std::optional<LCViewAttribute>& secondViewAttribute() const { return secondViewAttribute_; }
    // A view relates to its attribute of the same kind, a view attribute as given (or of the
    // same kind when it names none), a number or structure sets the constant; anything else
    // is ignored.
    void setSecondViewAttribute(const LCValue& object);
    autolayout::View* installedView() const { return installedView_.lock().get(); }
    std::shared_ptr<LCLayoutConstraint> layoutConstraint() const { return layoutConstraint_.lock(); }

    autolayout::LayoutRelation layoutRelation() const { return layoutRelation_; }
    void setLayoutRelation(autolayout::LayoutRelation relation);
    bool hasLayoutRelation() const { return hasLayoutRelation_; }
    autolayout::LayoutPriority layoutPriority() const { return layoutPriority_; }
    double layoutMultiplier() const { return layoutMultiplier_; }
    double layoutConstant() const { return layoutConstant_; }
    // Also changes an installed platform constraint at once.
    void setLayoutConstant(double constant);
    const std::optional<std::string>& lc_key() const { return key_; }
    bool useAnimator() const { return useAnimator_; }

    LCConstraint& addConstraintWithLayoutAttribute(autolayout::LayoutAttribute attribute) override;
    LCConstraint& multipliedBy(double multiplier) override;
    LCConstraint& dividedBy(double divider) override;
    LCConstraint& priority(autolayout::LayoutPriority priority) override;
    LCConstraint& equalToWithRelation(const LCValue& object, autolayout::LayoutRelation relation) override;
    LCConstraint& key(const std::string& key) override;
    void setInsets(LCEdgeInsets insets) override;
    void setInset(double inset) override;
    void setSizeOffset(LCSize offset) override;
    void setCenterOffset(LCPoint offset) override;
    void setOffset(double offset) override;
    LCConstraint& animator() override;
    void activate() override { install(); }
    void deactivate() override { uninstall(); }
    void install() override;
    void uninstall() override;

    bool supportsActiveProperty() const { return layoutConstraint() != nullptr; }
    bool isActive() const;
    bool hasBeenInstalled() const;
    static std::vector<std::shared_ptr<LCViewConstraint>> installedConstraintsForView(autolayout::View& view);
    // The last builder-made constraint on the installed view with the same items, attributes,
    // relation, multiplier and priority as `candidate`; the constant and key do not count.
    std::shared_ptr<LCLayoutConstraint> layoutConstraintSimilarTo(const LCLayoutConstraint& candidate) const;

private:
    LCViewAttribute firstViewAttribute_;
    std::optional<LCViewAttribute> secondViewAttribute_;
    std::weak_ptr<autolayout::View> installedView_;
    std::weak_ptr<LCLayoutConstraint> layoutConstraint_;
    autolayout::LayoutRelation layoutRelation_ = autolayout::LayoutRelation::Equal;
    autolayout::LayoutPriority layoutPriority_ = autolayout::priority::required;
    double layoutMultiplier_ = 1.0;
    double layoutConstant_ = 0.0;
    bool hasLayoutRelation_ = false;
    std::optional<std::string> key_;
    bool useAnimator_ = false;
    // Keeps a composite made by a relation to an array alive when no owner took it.
    std::shared_ptr<LCConstraint> replacement_;
};
