#pragma once

#include "Platform/AutoLayout/LayoutAttribute.h"

#include <cstdint>
#include <memory>

namespace autolayout {
class View;
}

// One layout attribute of one view; the view and item are held weakly. Immutable.
class LCViewAttribute {
public:
    LCViewAttribute(autolayout::View* view, autolayout::LayoutAttribute layoutAttribute);
    LCViewAttribute(autolayout::View* view, autolayout::View* item, autolayout::LayoutAttribute layoutAttribute);

    // The addresses are answered only while the weak references say the views live, which
    // spares counting references on every question.
    autolayout::View* view() const { return view_.expired() ? nullptr : viewAddress_; }
    autolayout::View* item() const { return item_.expired() ? nullptr : itemAddress_; }
    autolayout::LayoutAttribute layoutAttribute() const { return layoutAttribute_; }

    bool isSizeAttribute() const;
    // Same view (identity) and same attribute; the item is not compared.
    bool isEqual(const LCViewAttribute& other) const;
    friend bool operator==(const LCViewAttribute& a, const LCViewAttribute& b) { return a.isEqual(b); }
    std::uint64_t hash() const;

private:
    std::weak_ptr<autolayout::View> view_;
    std::weak_ptr<autolayout::View> item_;
    // Kept for identity after the view is gone, never dereferenced then.
    autolayout::View* viewAddress_;
    autolayout::View* itemAddress_;
    autolayout::LayoutAttribute layoutAttribute_;
};
