#pragma once

#include <QRect>

#include <functional>

class QWidget;

// Moves and resizes a window to `target` over `duration` seconds along the ease-in curve (the
// cubic Bézier 0.42, 0, 1, 1), in steps of 1/60 s on the main queue and its clock, then runs
// `completion`. Where windows cannot be moved (Wayland) only the size changes. A window that goes
// away ends the animation without the completion. Main thread only.
void kx_growWindow(QWidget* window, const QRect& target, double duration, std::function<void()> completion);
