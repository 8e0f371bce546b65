#pragma once

#include "Platform/AutoLayout/LayoutConstraint.h"

#include <optional>
#include <string>

// The layout constraint the builder makes: a platform constraint with a debugging key, which
// its description shows. Behaves exactly like the platform constraint otherwise.
class LCLayoutConstraint final : public autolayout::LayoutConstraint {
public:
    using autolayout::LayoutConstraint::LayoutConstraint;

    static std::shared_ptr<LCLayoutConstraint> constraintWithItem(autolayout::View* firstItem,
        autolayout::LayoutAttribute firstAttribute, autolayout::LayoutRelation relation,
        autolayout::View* secondItem, autolayout::LayoutAttribute secondAttribute, double multiplier,
        double constant);

    const std::optional<std::string>& lc_key() const { return key_; }
    void setLc_key(std::optional<std::string> key) { key_ = std::move(key); }

    std::string className() const override { return "LCLayoutConstraint"; }
    std::string description() const override;

private:
    std::optional<std::string> key_;
};
