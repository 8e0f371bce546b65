#pragma once

#include "Platform/AutoLayout/BasicView.h"

#include <memory>
#include <ostream>
#include <string>

namespace autolayout {
inline void PrintTo(const Rect& r, std::ostream* out)
{
    *out << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
} // namespace autolayout

// A window content view with two children, one of which has a child: enough for common
// superview and installation questions.
struct ViewTree {
    std::shared_ptr<autolayout::BasicView> root = autolayout::BasicView::create("Root");
    std::shared_ptr<autolayout::BasicView> a = add(*root, "A");
    std::shared_ptr<autolayout::BasicView> b = add(*root, "B");
    std::shared_ptr<autolayout::BasicView> inner = add(*b, "Inner");

    static std::shared_ptr<autolayout::BasicView> add(autolayout::BasicView& parent, const std::string& name)
    {
        auto view = autolayout::BasicView::create(name);
        parent.addSubview(view);
        return view;
    }
};
