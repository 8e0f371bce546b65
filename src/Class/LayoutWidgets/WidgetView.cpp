#include "Class/LayoutWidgets/WidgetView.h"

#include "Class/LayoutWidgets/WindowLayout.h"

#include <QEvent>
#include <QHash>
#include <QObject>

#include <algorithm>
#include <cmath>

namespace layoutwidgets {

namespace {

QHash<const QWidget*, std::shared_ptr<WidgetView>>& registry()
{
    static QHash<const QWidget*, std::shared_ptr<WidgetView>> views;
    return views;
}

// The widget whose frame a layout pass is setting: that resize is the pass's own (the resizes it
// sets off inside, a scroll area sizing its content, are not).
const QWidget* framing = nullptr;

// A widget whose size hint changes asks its parent for a new layout (a LayoutRequest event when
// the parent has no QLayout); for a parent in the layout tree that means the intrinsic sizes of
// its children may have changed. Children added and removed change the tree itself.
bool hasChildWidgets(const QObject* object)
{
    const QObjectList& children = object->children();
    return std::any_of(
        children.begin(), children.end(), [](const QObject* child) { return child->isWidgetType(); });
}

class SizeHintWatcher final : public QObject {
public:
    static SizeHintWatcher& instance()
    {
        static SizeHintWatcher watcher;
        return watcher;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::LayoutRequest:
            if (WidgetView* view = WidgetView::find(static_cast<QWidget*>(watched)))
                view->invalidateIntrinsicContentSize();
            break;
        case QEvent::Resize:
            // Sized by something other than a pass (an item view placing a cell, a scroll area
            // its content): what is laid out inside it follows the new size. A window lays
            // itself out as it is resized.
            if (watched != framing && !static_cast<QWidget*>(watched)->isWindow()) {
                if (WidgetView* view = WidgetView::find(static_cast<QWidget*>(watched));
                    view && hasChildWidgets(watched))
                    view->setNeedsLayout();
            }
            break;
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            // A child widget that comes or goes (or dies) changes the tree a pass walks.
            if (static_cast<QChildEvent*>(event)->child()->isWidgetType()) {
                if (WidgetView* view = WidgetView::find(static_cast<QWidget*>(watched)))
                    view->setNeedsLayout();
            }
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

WidgetView& WidgetView::of(QWidget* widget)
{
    auto& views = registry();
    auto it = views.find(widget);
    if (it != views.end())
        return **it;
    auto view = std::make_shared<WidgetView>(widget);
    views.insert(widget, view);
    QObject::connect(widget, &QObject::destroyed, [widget] { registry().remove(widget); });
    widget->installEventFilter(&SizeHintWatcher::instance());
    return *view;
}

WidgetView* WidgetView::find(const QWidget* widget)
{
    auto it = registry().find(widget);
    return it == registry().end() ? nullptr : it->get();
}

WidgetView::WidgetView(QWidget* widget)
    : widget_(widget)
{
}

autolayout::View* WidgetView::superview() const
{
    if (!widget_ || widget_->isWindow() || !widget_->parentWidget())
        return nullptr;
    QWidget* parent = widget_->parentWidget();
    if (parent_ != parent || !parentView_) {
        parent_ = parent;
        parentView_ = &of(parent);
    }
    return parentView_;
}

std::vector<autolayout::View*> WidgetView::subviews() const
{
    std::vector<autolayout::View*> views;
    if (!widget_)
        return views;
    for (QObject* child : widget_->children()) {
        if (!child->isWidgetType())
            continue;
        auto* childWidget = static_cast<QWidget*>(child);
        if (!childWidget->isWindow())
            views.push_back(&of(childWidget));
    }
    return views;
}

autolayout::Rect WidgetView::frame() const
{
    if (!widget_)
        return {};
    QRect geometry = widget_->geometry();
    return autolayout::Rect { double(geometry.x()), double(geometry.y()), double(geometry.width()),
        double(geometry.height()) };
}

void WidgetView::setFrame(const autolayout::Rect& frame)
{
    if (!widget_)
        return;
    // Layout hands over whole units already; the conversion only drops the fraction.
    const QWidget* outer = framing;
    framing = widget_;
    widget_->setGeometry(QRect(static_cast<int>(frame.x), static_cast<int>(frame.y), static_cast<int>(frame.width),
        static_cast<int>(frame.height)));
    framing = outer;
}

autolayout::Size WidgetView::intrinsicContentSize() const
{
    autolayout::Size size { autolayout::noIntrinsicMetric, autolayout::noIntrinsicMetric };
    if (!widget_)
        return size;
    QSize hint = widget_->sizeHint();
    if (hint.width() >= 0)
        size.width = hint.width();
    if (hint.height() >= 0)
        size.height = hint.height();
    return size;
}

std::string WidgetView::className() const
{
    return widget_ ? widget_->metaObject()->className() : "QWidget";
}

void WidgetView::layoutInvalidated()
{
    if (!widget_ || !widget_->isWindow())
        return;
    // Looked up once: a window may hold many children, and every change asks again.
    auto* layout = static_cast<WindowLayout*>(windowLayout_.data());
    if (!layout) {
        layout = &WindowLayout::of(widget_);
        windowLayout_ = layout;
    }
    layout->setNeedsLayout();
}

} // namespace layoutwidgets
