#pragma once

#include <QWidget>

#include <vector>

// The widget children of a view in stacking order, bottom first; objects that are not widgets
// and child windows (menus, dialogs) are not subviews.
std::vector<QWidget*> kx_subviews(const QWidget* view);
// The topmost subview, or nullptr.
QWidget* kx_topSubview(const QWidget* view);
