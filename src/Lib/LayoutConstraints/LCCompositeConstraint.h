#pragma once

#include "Lib/LayoutConstraints/LCConstraint.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Several constraints that one chain step applies to at once: edges, size and centre, a chain
// naming two attributes in a row, a relation to an array. Owns its children and is their owner
// (delegate) in chains.
class LCCompositeConstraint final : public LCConstraint, public LCConstraintDelegate {
public:
    // initWithChildren:
    static std::shared_ptr<LCCompositeConstraint> create(const std::vector<std::shared_ptr<LCConstraint>>& children);

    const std::vector<std::shared_ptr<LCConstraint>>& childConstraints() const { return children_; }
    const std::optional<std::string>& lc_key() const { return key_; }

    LCConstraint& addConstraintWithLayoutAttribute(autolayout::LayoutAttribute attribute) override;
    LCConstraint& multipliedBy(double multiplier) override;
    LCConstraint& dividedBy(double divider) override;
    LCConstraint& priority(autolayout::LayoutPriority priority) override;
    LCConstraint& equalToWithRelation(const LCValue& object, autolayout::LayoutRelation relation) override;
    // Keys the children "<key>[0]", "<key>[1]", ...
    LCConstraint& key(const std::string& key) override;
    void setInsets(LCEdgeInsets insets) override;
    void setInset(double inset) override;
    void setSizeOffset(LCSize offset) override;
    void setCenterOffset(LCPoint offset) override;
    void setOffset(double offset) override;
    LCConstraint& animator() override;
    void activate() override;
    void deactivate() override;
    void install() override;
    void uninstall() override;

    void constraint(LCConstraint& old, const std::shared_ptr<LCConstraint>& replacement) override;
    std::shared_ptr<LCConstraint> constraint(LCConstraint* constraint, autolayout::LayoutAttribute attribute) override;

private:
    std::weak_ptr<LCConstraintDelegate> asDelegate();
    template <class Step>
    LCConstraint& forEachChild(Step step);

    std::vector<std::shared_ptr<LCConstraint>> children_;
    std::optional<std::string> key_;
};
