#pragma once

#include "Class/Theme/ToastPresenter.h"

#include <string>

class QWidget;

namespace storewindow {

// A toast through the application's presenter, over the window `over` is in (nullptr: the key
// window); shown by the toast of the widget kit when no presenter is installed.
void toast(QWidget* over, ToastStyle style, const std::string& message);

// The content view of the window `view` is in: the central widget of a main window, else the
// window itself; nullptr when `view` is not shown in a window.
QWidget* contentViewOfWindow(QWidget* view);
// Removes the top-most subview of that content view, as the see-order buttons do once the main
// window has handled their notification. Does nothing when `view` has left its window.
void removeTopmostSubviewOfContentView(QWidget* view);

} // namespace storewindow
