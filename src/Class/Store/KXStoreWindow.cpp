#include "Class/Store/KXStoreWindow.h"

#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/MLHudAlert.h"

#include <QMainWindow>
#include <QWidget>

namespace storewindow {

void toast(QWidget* over, ToastStyle style, const std::string& message)
{
    QWidget* window = over ? over->window() : nullptr;
    if (auto presenter = ToastPresenter::shared()) {
        presenter->show(message, style, ToastWindow { window });
        return;
    }
    MLHudAlert::alertWithWindow(window, static_cast<int>(style), QString::fromStdString(message));
}

QWidget* contentViewOfWindow(QWidget* view)
{
    if (!view || !view->isVisible())
        return nullptr;
    QWidget* window = view->window();
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget())
        return main->centralWidget();
    return window;
}

void removeTopmostSubviewOfContentView(QWidget* view)
{
    QWidget* content = contentViewOfWindow(view);
    if (!content)
        return;
    const auto children = content->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        auto* child = qobject_cast<QWidget*>(*it);
        if (child && !child->isWindow() && child->isVisibleTo(content)) {
            kx_removeFromSuperview(child);
            return;
        }
    }
}

} // namespace storewindow
