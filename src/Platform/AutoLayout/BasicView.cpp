#include "Platform/AutoLayout/BasicView.h"

#include <algorithm>

namespace autolayout {

std::shared_ptr<BasicView> BasicView::create(std::string name)
{
    return std::make_shared<BasicView>(std::move(name));
}

BasicView::BasicView(std::string name)
    : name_(std::move(name))
{
}

void BasicView::addSubview(const std::shared_ptr<BasicView>& subview)
{
    if (!subview || subview.get() == this)
        return;
    subview->removeFromSuperview();
    subview->superview_ = this;
    subviews_.push_back(subview);
    setNeedsLayout();
}

void BasicView::removeFromSuperview()
{
    BasicView* parent = superview_;
    if (!parent)
        return;
    std::shared_ptr<BasicView> keep = std::static_pointer_cast<BasicView>(shared_from_this());
    removeConstraintsHeldByAncestors();
    auto& siblings = parent->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
    superview_ = nullptr;
    parent->setNeedsLayout();
    setNeedsLayout();
}

std::vector<View*> BasicView::subviews() const
{
    std::vector<View*> views;
    views.reserve(subviews_.size());
    for (const auto& subview : subviews_)
        views.push_back(subview.get());
    return views;
}

void BasicView::setIntrinsicContentSize(Size size)
{
    intrinsicSize_ = size;
    invalidateIntrinsicContentSize();
}

} // namespace autolayout
