#include "Class/UIKit/KXRemoveFromSuperview.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kKeptProperty = "kx_keptByHolder";

} // namespace

void kx_removeFromSuperview(QWidget* view)
{
    if (!view || !view->parentWidget())
        return;
    view->hide();
    view->setParent(nullptr);
    if (!kx_isKeptByHolder(view))
        view->deleteLater();
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
