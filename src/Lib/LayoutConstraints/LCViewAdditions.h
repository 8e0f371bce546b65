#pragma once

#include "Lib/LayoutConstraints/LCConstraintMaker.h"
#include "Lib/LayoutConstraints/LCViewAttribute.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace autolayout {
class View;
}

using LCConstraintBlock = std::function<void(LCConstraintMaker& make)>;

// The entry points that view code calls:
//     lc_makeConstraints(*title, [&](LCConstraintMaker& make) {
//         make.left().equalTo(lc_right(*icon)).offset(10);
//         make.centerY().equalTo(icon);
//     });
// Each turns off the view's autoresizing-mask translation, runs the block on a maker for the
// view and installs what it stated; the result is the constraints installed, in order.
std::vector<std::shared_ptr<LCConstraint>> lc_makeConstraints(autolayout::View& view, const LCConstraintBlock& block);
// Re-stated constraints that match an installed one only change its constant.
std::vector<std::shared_ptr<LCConstraint>> lc_updateConstraints(autolayout::View& view, const LCConstraintBlock& block);
// First uninstalls every constraint the builder installed for the view.
std::vector<std::shared_ptr<LCConstraint>> lc_remakeConstraints(autolayout::View& view, const LCConstraintBlock& block);

// Attributes of a view, for the second item of a relation.
LCViewAttribute lc_left(autolayout::View& view);
LCViewAttribute lc_top(autolayout::View& view);
LCViewAttribute lc_right(autolayout::View& view);
LCViewAttribute lc_bottom(autolayout::View& view);
LCViewAttribute lc_leading(autolayout::View& view);
LCViewAttribute lc_trailing(autolayout::View& view);
LCViewAttribute lc_width(autolayout::View& view);
LCViewAttribute lc_height(autolayout::View& view);
LCViewAttribute lc_centerX(autolayout::View& view);
LCViewAttribute lc_centerY(autolayout::View& view);
LCViewAttribute lc_baseline(autolayout::View& view);
LCViewAttribute lc_firstBaseline(autolayout::View& view);
LCViewAttribute lc_lastBaseline(autolayout::View& view);
LCViewAttribute lc_attribute(autolayout::View& view, autolayout::LayoutAttribute attribute);

// The view's debugging key, shown by constraint descriptions in place of its address.
std::optional<std::string> lc_key(const autolayout::View& view);
void setMas_key(autolayout::View& view, std::optional<std::string> key);

// The nearest view that is `other` or one of its ancestors and also `view` or one of its
// ancestors; null when `other` is null or the two share none.
autolayout::View* lc_closestCommonSuperview(autolayout::View& view, autolayout::View* other);
