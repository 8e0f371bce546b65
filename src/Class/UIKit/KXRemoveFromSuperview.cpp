#include "Class/UIKit/KXRemoveFromSuperview.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kKeptProperty = "kx_keptByHolder";
constexpr const char* kRemovedProperty = "kx_removedFromSuperview";

} // namespace

void kx_removeFromSuperview(QWidget* view)
{
    if (!view || !view->parentWidget())
        return;
    view->hide();
    view->setParent(nullptr);
    view->setProperty(kRemovedProperty, true);
    if (!kx_isKeptByHolder(view))
        view->deleteLater();
}

bool kx_isRemovedFromSuperview(const QWidget* view)
{
    if (!view)
        return true;
    // Only the outermost view matters: one put back into a superview has a parent again.
    while (view->parentWidget())
        view = view->parentWidget();
    return view->property(kRemovedProperty).toBool();
}

void kx_setKeptByHolder(QWidget* view, bool kept)
{
    if (view)
        view->setProperty(kKeptProperty, kept);
}

bool kx_isKeptByHolder(const QWidget* view)
{
    return view && view->property(kKeptProperty).toBool();
}
