#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include "Platform/AutoLayout/View.h"

using autolayout::LayoutAttribute;
using autolayout::View;

namespace {

enum class Mode { Make, Update, Remake };

std::vector<std::shared_ptr<LCConstraint>> run(View& view, const LCConstraintBlock& block, Mode mode)
{
    view.setTranslatesAutoresizingMaskIntoConstraints(false);
    auto maker = LCConstraintMaker::create(view);
    maker->setUpdateExisting(mode == Mode::Update);
    maker->setRemoveExisting(mode == Mode::Remake);
    if (block)
        block(*maker);
    return maker->install();
}

const char keyAssociation = 0;

} // namespace

std::vector<std::shared_ptr<LCConstraint>> lc_makeConstraints(View& view, const LCConstraintBlock& block)
{
    return run(view, block, Mode::Make);
}

std::vector<std::shared_ptr<LCConstraint>> lc_updateConstraints(View& view, const LCConstraintBlock& block)
{
    return run(view, block, Mode::Update);
}

std::vector<std::shared_ptr<LCConstraint>> lc_remakeConstraints(View& view, const LCConstraintBlock& block)
{
    return run(view, block, Mode::Remake);
}

LCViewAttribute lc_attribute(View& view, LayoutAttribute attribute)
{
    return LCViewAttribute(&view, attribute);
}

LCViewAttribute lc_left(View& view)
{
    return lc_attribute(view, LayoutAttribute::Left);
}

LCViewAttribute lc_top(View& view)
{
    return lc_attribute(view, LayoutAttribute::Top);
}

LCViewAttribute lc_right(View& view)
{
    return lc_attribute(view, LayoutAttribute::Right);
}

LCViewAttribute lc_bottom(View& view)
{
    return lc_attribute(view, LayoutAttribute::Bottom);
}

LCViewAttribute lc_leading(View& view)
{
    return lc_attribute(view, LayoutAttribute::Leading);
}

LCViewAttribute lc_trailing(View& view)
{
    return lc_attribute(view, LayoutAttribute::Trailing);
}

LCViewAttribute lc_width(View& view)
{
    return lc_attribute(view, LayoutAttribute::Width);
}

LCViewAttribute lc_height(View& view)
{
    return lc_attribute(view, LayoutAttribute::Height);
}

LCViewAttribute lc_centerX(View& view)
{
    return lc_attribute(view, LayoutAttribute::CenterX);
}

LCViewAttribute lc_centerY(View& view)
{
    return lc_attribute(view, LayoutAttribute::CenterY);
}

LCViewAttribute lc_baseline(View& view)
{
    return lc_attribute(view, LayoutAttribute::Baseline);
}

LCViewAttribute lc_firstBaseline(View& view)
{
    return lc_attribute(view, LayoutAttribute::FirstBaseline);
}

LCViewAttribute lc_lastBaseline(View& view)
{
    return lc_attribute(view, LayoutAttribute::LastBaseline);
}

std::optional<std::string> lc_key(const View& view)
{
    auto key = std::static_pointer_cast<std::string>(view.associatedObject(&keyAssociation));
    return key ? std::optional<std::string>(*key) : std::nullopt;
}

void setMas_key(View& view, std::optional<std::string> key)
{
    view.setAssociatedObject(&keyAssociation, key ? std::make_shared<std::string>(std::move(*key)) : nullptr);
}

View* lc_closestCommonSuperview(View& view, View* other)
{
    if (!other)
        return nullptr;
    return view.closestCommonAncestor(other);
}
