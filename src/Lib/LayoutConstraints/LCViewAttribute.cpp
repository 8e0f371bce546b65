#include "Lib/LayoutConstraints/LCViewAttribute.h"

#include "Platform/AutoLayout/View.h"

namespace {

std::weak_ptr<autolayout::View> weakOf(autolayout::View* view)
{
    return view ? view->weak_from_this() : std::weak_ptr<autolayout::View>();
}

} // namespace

LCViewAttribute::LCViewAttribute(autolayout::View* view, autolayout::LayoutAttribute layoutAttribute)
    : LCViewAttribute(view, view, layoutAttribute)
{
}

LCViewAttribute::LCViewAttribute(autolayout::View* view, autolayout::View* item,
    autolayout::LayoutAttribute layoutAttribute)
    : view_(weakOf(view))
    , item_(weakOf(item))
    , viewAddress_(view)
    , itemAddress_(item)
    , layoutAttribute_(layoutAttribute)
{
}

bool LCViewAttribute::isSizeAttribute() const
{
    return layoutAttribute_ == autolayout::LayoutAttribute::Width
        || layoutAttribute_ == autolayout::LayoutAttribute::Height;
}

bool LCViewAttribute::isEqual(const LCViewAttribute& other) const
{
    return viewAddress_ == other.viewAddress_ && layoutAttribute_ == other.layoutAttribute_;
}

std::uint64_t LCViewAttribute::hash() const
{
    auto viewHash = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(viewAddress_));
    std::uint64_t rotated = (viewHash << 32) | (viewHash >> 32);
    return rotated ^ static_cast<std::uint64_t>(layoutAttribute_);
}
