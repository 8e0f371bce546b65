#pragma once

#include <functional>

class QMouseEvent;
class QWidget;
class QWindow;

// A window moved by dragging its background. The view whose background moves the window hands
// its presses here; the window system's move starts only once the pointer, the left button still
// held, has moved the application's drag distance (QApplication::startDragDistance(), logical
// pixels) from the press, wherever in the application the moves arrive. A press and release in
// place (a click, a touchpad tap, a scripted click whose release comes with its press) is a click
// on the background and moves nothing: a move started on the press would have the window follow
// the pointer with no button held, the window manager never seeing that release. GUI thread only.

// Takes a left press on `view`'s background (accepts it and returns true); any other press is
// left to the caller.
bool kx_pressMovesWindow(QWidget* view, QMouseEvent* event);

// What starts the window system's move of a window; tests replace it to see the starts (the
// offscreen platform moves nothing). An empty one restores QWindow::startSystemMove().
using KXWindowMoveStarter = std::function<void(QWindow* window)>;
void kx_setWindowMoveStarter(KXWindowMoveStarter starter);
