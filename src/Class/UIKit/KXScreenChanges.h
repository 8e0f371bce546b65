#pragma once

#include <functional>

class QWidget;

// A window's answer to a change of its screen: a screen made smaller, larger or of another scale
// (a monitor switched, xrandr, a changed scaling), or the window moved to another screen. GUI
// thread only.

// Calls `refit` while `window` is shown, each time the screen it is on changes its size, its
// available area or its scale, and when the window goes to another screen. The watch lives as
// long as the window; a later call replaces the earlier one's `refit`.
void kx_refitOnScreenChange(QWidget* window, std::function<void()> refit);
// Sizes a window of designed size anew for the screen it is on, as large as its design where the
// screen has room, and moves it as little as keeps it inside the available area, frame included.
void kx_refitToScreen(QWidget* window);
