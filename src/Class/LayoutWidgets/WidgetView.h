#pragma once

#include "Platform/AutoLayout/View.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

namespace layoutwidgets {

// The view of a QWidget in the layout tree: its parent widget is its superview (a window is a
// root), its child widgets are its subviews, its geometry is its frame and its size hint is its
// intrinsic content size. Made on first request and destroyed with the widget. GUI thread only.
class WidgetView final : public autolayout::View {
public:
    // The widget's view, made when first asked for.
    static WidgetView& of(QWidget* widget);
    // The widget's view if it has one.
    static WidgetView* find(const QWidget* widget);

    explicit WidgetView(QWidget* widget);
    QWidget* widget() const { return widget_; }

    View* superview() const override;
    std::vector<View*> subviews() const override;
    autolayout::Rect frame() const override;
    void setFrame(const autolayout::Rect& frame) override;
    autolayout::Size intrinsicContentSize() const override;
    std::string className() const override;

protected:
    void layoutInvalidated() override;

private:
    QPointer<QWidget> widget_;
    // The parent's view as last looked up: layout asks for superviews all the time.
    mutable QPointer<QWidget> parent_;
    mutable WidgetView* parentView_ = nullptr;
    // Set once this view is a window's root and has asked for a pass.
    QPointer<QObject> windowLayout_;
};

// Shorthand for the builder's entry points: lc_makeConstraints(lcView(button), ...).
inline autolayout::View& lcView(QWidget* widget)
{
    return WidgetView::of(widget);
}

} // namespace layoutwidgets
