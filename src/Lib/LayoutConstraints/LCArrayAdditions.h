#pragma once

#include "Lib/LayoutConstraints/LCValue.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <cstdint>
#include <memory>
#include <vector>

// 0 lays views out horizontally; any other value vertically.
using LCDistributionAxis = std::int64_t;
inline constexpr LCDistributionAxis LCDistributionAxisHorizontal = 0;
inline constexpr LCDistributionAxis LCDistributionAxisVertical = 1;

// The entry points applied to every view of a list, in order; the constraints installed are
// returned together. Elements that are not views are passed over.
std::vector<std::shared_ptr<LCConstraint>> lc_makeConstraints(const LCValue::Array& views, const LCConstraintBlock& block);
std::vector<std::shared_ptr<LCConstraint>> lc_updateConstraints(const LCValue::Array& views, const LCConstraintBlock& block);
std::vector<std::shared_ptr<LCConstraint>> lc_remakeConstraints(const LCValue::Array& views, const LCConstraintBlock& block);

// Equal lengths with `spacing` between neighbours and `leadSpacing`/`tailSpacing` at the ends of
// the views' common superview. Fewer than two views: nothing happens.
void lc_distributeViewsAlongAxisWithFixedSpacing(const LCValue::Array& views, LCDistributionAxis axis,
    double spacing, double leadSpacing, double tailSpacing);
// Each view `itemLength` long; their far edges spread evenly from lead + length to the
// superview's far edge less `tailSpacing`.
void lc_distributeViewsAlongAxisWithFixedItemLength(const LCValue::Array& views, LCDistributionAxis axis,
    double itemLength, double leadSpacing, double tailSpacing);

// The closest superview that all views of the list share (nil without views, the view itself
// for one view).
autolayout::View* lc_commonSuperviewOfViews(const LCValue::Array& views);
