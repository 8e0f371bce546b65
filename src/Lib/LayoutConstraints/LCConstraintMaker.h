#pragma once

#include "Lib/LayoutConstraints/LCAttributeChain.h"
#include "Lib/LayoutConstraints/LCConstraint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace autolayout {
class View;
}

// Bit n stands for the layout attribute of value n.
using LCAttributeMask = std::uint64_t;
inline constexpr LCAttributeMask LCAttributeLeft = 1 << 1;
inline constexpr LCAttributeMask LCAttributeRight = 1 << 2;
inline constexpr LCAttributeMask LCAttributeTop = 1 << 3;
inline constexpr LCAttributeMask LCAttributeBottom = 1 << 4;
inline constexpr LCAttributeMask LCAttributeLeading = 1 << 5;
inline constexpr LCAttributeMask LCAttributeTrailing = 1 << 6;
inline constexpr LCAttributeMask LCAttributeWidth = 1 << 7;
inline constexpr LCAttributeMask LCAttributeHeight = 1 << 8;
inline constexpr LCAttributeMask LCAttributeCenterX = 1 << 9;
inline constexpr LCAttributeMask LCAttributeCenterY = 1 << 10;
inline constexpr LCAttributeMask LCAttributeBaseline = 1 << 11;
inline constexpr LCAttributeMask LCAttributeLastBaseline = 1 << 11;
inline constexpr LCAttributeMask LCAttributeFirstBaseline = 1 << 12;

// Handed to a constraint block: its attributes start chains on one view, it collects what the
// block states and installs it all once the block has run. Lives for one entry-point call.
class LCConstraintMaker final : public LCAttributeChain<LCConstraintMaker>,
                                public LCConstraintDelegate,
                                public std::enable_shared_from_this<LCConstraintMaker> {
public:
    // initWithView:
    static std::shared_ptr<LCConstraintMaker> create(autolayout::View& view);

    autolayout::View* view() const { return view_.lock().get(); }
    const std::vector<std::shared_ptr<LCConstraint>>& constraints() const { return constraints_; }
    bool updateExisting() const { return updateExisting_; }
    void setUpdateExisting(bool update) { updateExisting_ = update; }
    bool removeExisting() const { return removeExisting_; }
    void setRemoveExisting(bool remove) { removeExisting_ = remove; }


    LCConstraint& edges() { return addConstraintWithAttributes(LCAttributeLeft | LCAttributeRight | LCAttributeTop | LCAttributeBottom); }
    LCConstraint& size() { return addConstraintWithAttributes(LCAttributeWidth | LCAttributeHeight); }
    LCConstraint& center() { return addConstraintWithAttributes(LCAttributeCenterX | LCAttributeCenterY); }
    LCConstraint& attributes(LCAttributeMask mask) { return addConstraintWithAttributes(mask); }
    LCConstraint& addConstraintWithAttributes(LCAttributeMask mask);
    LCConstraint& addConstraintWithLayoutAttribute(autolayout::LayoutAttribute attribute);
    // The constraints that `block` states, as one composite; they stay in the list as well.
    std::shared_ptr<LCConstraint> group(const std::function<void()>& block);

    // Installs every constraint stated (after uninstalling the view's earlier ones in remove
    // mode), empties the list and returns what was installed, in the order stated.
    std::vector<std::shared_ptr<LCConstraint>> install();

    void constraint(LCConstraint& old, const std::shared_ptr<LCConstraint>& replacement) override;
    std::shared_ptr<LCConstraint> constraint(LCConstraint* constraint, autolayout::LayoutAttribute attribute) override;

private:
    std::weak_ptr<autolayout::View> view_;
    std::vector<std::shared_ptr<LCConstraint>> constraints_;
    bool updateExisting_ = false;
    bool removeExisting_ = false;
};
