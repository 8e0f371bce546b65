#pragma once

#include "Platform/AutoLayout/View.h"

#include <memory>
#include <string>
#include <vector>

namespace autolayout {

// A view tree of its own, without any toolkit: for code and tests that lay out views without a
// display. A view owns its subviews.
class BasicView final : public View {
public:
    static std::shared_ptr<BasicView> create(std::string name = "BasicView");
    explicit BasicView(std::string name);

    void addSubview(const std::shared_ptr<BasicView>& subview);
    void removeFromSuperview();

    View* superview() const override { return superview_; }
    std::vector<View*> subviews() const override;
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override { frame_ = frame; }
    Size intrinsicContentSize() const override { return intrinsicSize_; }
    void setIntrinsicContentSize(Size size);
    std::string className() const override { return name_; }

private:
    std::string name_;
    BasicView* superview_ = nullptr;
    std::vector<std::shared_ptr<BasicView>> subviews_;
    Rect frame_;
    Size intrinsicSize_ { noIntrinsicMetric, noIntrinsicMetric };
};

} // namespace autolayout
