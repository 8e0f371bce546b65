#include "Lib/LayoutConstraints/LCArrayAdditions.h"

#include "Platform/AutoLayout/View.h"

using autolayout::View;

namespace {

using EntryPoint = std::vector<std::shared_ptr<LCConstraint>> (*)(View&, const LCConstraintBlock&);

std::vector<std::shared_ptr<LCConstraint>> forEachView(const LCValue::Array& views, const LCConstraintBlock& block,
    EntryPoint entry)
{
    std::vector<std::shared_ptr<LCConstraint>> all;
    for (const LCValue& element : views) {
        if (View* view = element.view()) {
            auto installed = entry(*view, block);
            all.insert(all.end(), installed.begin(), installed.end());
        }
    }
    return all;
}

std::vector<View*> viewsOf(const LCValue::Array& values)
{
    std::vector<View*> views;
    for (const LCValue& element : values) {
        if (View* view = element.view())
            views.push_back(view);
    }
    return views;
}

} // namespace

std::vector<std::shared_ptr<LCConstraint>> lc_makeConstraints(const LCValue::Array& views, const LCConstraintBlock& block)
{
    return forEachView(views, block, static_cast<EntryPoint>(&lc_makeConstraints));
}

std::vector<std::shared_ptr<LCConstraint>> lc_updateConstraints(const LCValue::Array& views, const LCConstraintBlock& block)
{
    return forEachView(views, block, static_cast<EntryPoint>(&lc_updateConstraints));
}

std::vector<std::shared_ptr<LCConstraint>> lc_remakeConstraints(const LCValue::Array& views, const LCConstraintBlock& block)
{
    return forEachView(views, block, static_cast<EntryPoint>(&lc_remakeConstraints));
}

View* lc_commonSuperviewOfViews(const LCValue::Array& values)
{
    View* common = nullptr;
    bool first = true;
    for (View* view : viewsOf(values)) {
        common = first ? view : lc_closestCommonSuperview(*view, common);
        first = false;
    }
    return common;
}

void lc_distributeViewsAlongAxisWithFixedSpacing(const LCValue::Array& values, LCDistributionAxis axis,
    double spacing, double leadSpacing, double tailSpacing)
{
    std::vector<View*> views = viewsOf(values);
    if (views.size() < 2)
        return;
    View* container = lc_commonSuperviewOfViews(values);
    bool horizontal = axis == LCDistributionAxisHorizontal;
    View* previous = nullptr;
    for (std::size_t i = 0; i < views.size(); ++i) {
        bool last = i + 1 == views.size();
        lc_makeConstraints(*views[i], [&](LCConstraintMaker& make) {
            if (!previous) {
                (horizontal ? make.left() : make.top()).equalTo(container).offset(leadSpacing);
                return;
            }
            (horizontal ? make.width() : make.height()).equalTo(previous);
            (horizontal ? make.left() : make.top())
                .equalTo(horizontal ? lc_right(*previous) : lc_bottom(*previous))
                .offset(spacing);
            if (last)
                (horizontal ? make.right() : make.bottom()).equalTo(container).offset(-tailSpacing);
        });
        previous = views[i];
    }
}

void lc_distributeViewsAlongAxisWithFixedItemLength(const LCValue::Array& values, LCDistributionAxis axis,
    double itemLength, double leadSpacing, double tailSpacing)
{
    std::vector<View*> views = viewsOf(values);
    if (views.size() < 2)
        return;
    View* container = lc_commonSuperviewOfViews(values);
    bool horizontal = axis == LCDistributionAxisHorizontal;
    double count = static_cast<double>(views.size());
    for (std::size_t index = 0; index < views.size(); ++index) {
        auto i = static_cast<std::int32_t>(index);
        lc_makeConstraints(*views[index], [&](LCConstraintMaker& make) {
            (horizontal ? make.width() : make.height()).equalTo(LCNumber(itemLength));
            if (i == 0) {
                (horizontal ? make.left() : make.top()).equalTo(container).offset(leadSpacing);
            } else if (index + 1 == views.size()) {
                (horizontal ? make.right() : make.bottom()).equalTo(container).offset(-tailSpacing);
            } else {
                double t = i / (count - 1);
                (horizontal ? make.right() : make.bottom())
                    .equalTo(container)
                    .multipliedBy(t)
                    .offset((1 - t) * (itemLength + leadSpacing) - i * tailSpacing / (count - 1));
            }
        });
    }
}
