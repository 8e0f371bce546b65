#pragma once

#include "Class/UIKit/KXScreenGrid.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// The small windows the main window raises above itself (the platform's levels 10 and 11):
// transient for the main window, so the desktop keeps them above it and never above other
// programs, with the system frame and only a close button, which Escape presses too; closing hides
// the window and its controller keeps it. The content hides the title, but the window manager's
// frame, task bar and window lists show it: each kind of window has a title of its own, so that
// two of them open at once can be told apart there. GUI thread only.

// A new hidden window of that kind, designed size and title, transient for the window of
// `transientParent`. A screen too small for the designed size, frame included, shows the window
// at the size that fits; its content is then laid out smaller or scrolls.
QWidget* kx_makeTransientWindow(QWidget* transientParent, const QSize& size, const QString& title);
// Makes `window`, made but never shown, such a window (for windows of a class of their own).
void kx_setUpTransientWindow(QWidget* window, QWidget* transientParent, const QSize& size, const QString& title);
// Brings the window to the front and activates it, centred over its parent window (or the
// primary screen) and kept inside the screen's available area, frame included; on Wayland the
// compositor places it.
void kx_showCentred(QWidget* window);
// Centres the window as kx_showCentred() does, without showing it. A window not framed yet is
// fitted again once the window manager has framed it, if its frame is not the one it was fitted
// under.
void kx_centreWindow(QWidget* window);
// Where a window of `clientSize`, the window manager's `frame` around it (title bar included),
// lies when centred over `area` and kept inside `available`, frame included, in the device pixels
// of `grid`; a frame larger than `available` keeps its top-left corner inside. The frame's
// rectangle, whose top-left corner move() takes.
QRect kx_centredFrame(const QSize& clientSize, const QMargins& frame, const QRect& area, const QRect& available,
                      const KXScreenGrid& grid = {});
// `client`, the client area of a window the window manager frames with `frame`, moved as little
// as keeps the frame inside `available` in the device pixels of `grid`: a client already inside
// keeps its position, and one whose frame is larger than the area keeps its top-left corner inside.
QRect kx_keptInside(const QRect& client, const QMargins& frame, const QRect& available, const KXScreenGrid& grid = {});
// `client` kept inside the available area of the screen `window` is on, under its frame (as it
// is where the compositor places windows).
QRect kx_keptOnScreen(const QWidget* window, const QRect& client);
// The size a window is designed for, which kx_centreWindow() fits to the screen: its size when
// it was set up, until it is set anew (a window that grows for another form).
QSize kx_designedSize(const QWidget* window);
void kx_setDesignedSize(QWidget* window, const QSize& size);
// The largest client size up to `designed` whose frame, the window manager's `frame` around it,
// fits inside `available` somewhere, in the device pixels of `grid`.
QSize kx_fittedClientSize(const QSize& designed, const QMargins& frame, const QRect& available, const KXScreenGrid& grid = {});
// `designed` fitted to the available area of the screen `window` is on, under its frame.
QSize kx_fittedSize(const QWidget* window, const QSize& designed);
// Makes `window` keep the size it is given: its minimum and maximum become its size now and each
// size kx_resizeWindow(), kx_setWindowGeometry() and the fits give it later, so that no window
// manager offers to maximise or resize it (a window whose zoom the design hides).
void kx_keepFittedSize(QWidget* window);
// Resizes the window, or gives its client area `client`; a window that keeps its size keeps the
// new one (a window growing for another form follows each step).
void kx_resizeWindow(QWidget* window, const QSize& size);
void kx_setWindowGeometry(QWidget* window, const QRect& client);
// Fits a dialog that is about to show, and that the window system will place, to the screen
// of `framedLike`, taking that shown window's frame for the one the dialog will get.
void kx_fitDialog(QWidget* dialog, const QWidget* framedLike);
// Gives the window its designed size fitted to `available` and centres its frame over `area`
// inside it, as kx_centreWindow() does on the window's own screen. A window the window manager
// has not framed yet (the first time it shows) is fitted under the frame of one it has framed.
// Its size is one the window manager's resize increment keeps: a window with room for its
// designed size is given no less.
void kx_fitWindow(QWidget* window, const QRect& area, const QRect& available, const KXScreenGrid& grid);
// Puts the window's frame, title bar included, at `framePosition` (a window not framed yet, where
// the window manager will frame it).
void kx_moveFrame(QWidget* window, const QPoint& framePosition);
// The frame the window system reports around a window: none until the window manager has framed
// it. `reader` replaces it (tests run without a window manager); an empty one restores it.
using KXFrameReader = std::function<QMargins(const QWidget* window)>;
void kx_setFrameReader(KXFrameReader reader);
// Asks the window system to put the frame of a window that exists at a logical position
// (QWindow::setFramePosition()). `placer` replaces it (tests work out where the window manager
// puts the frame in its own pixels); an empty one restores it.
using KXFramePlacer = std::function<void(QWidget* window, const QPoint& framePosition)>;
void kx_setFramePlacer(KXFramePlacer placer);
// Whether clients may place their windows: Wayland lets none.
bool kx_canMoveWindows();
