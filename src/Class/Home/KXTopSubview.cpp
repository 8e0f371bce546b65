#include "Class/Home/KXTopSubview.h"

std::vector<QWidget*> kx_subviews(const QWidget* view)
{
    std::vector<QWidget*> subviews;
    if (!view)
        return subviews;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow())
            subviews.push_back(widget);
    }
    return subviews;
}

QWidget* kx_topSubview(const QWidget* view)
{
    const auto subviews = kx_subviews(view);
    return subviews.empty() ? nullptr : subviews.back();
}
