#pragma once

class QWidget;
class QWindow;

// The keys when a window of ours closes while it holds them: they go back to the window it is
// transient for (its opener), as most window managers hand them. Some hand them to the first
// window of the chain instead (the main window, for a file dialog over a window over it), and
// the opener, left on top, would take no keys until it is clicked. Windows and dialogs only;
// a minimise (a spontaneous hide) moves no keys. GUI thread only.

// The opener that takes the keys when `closing` hides while the system has `focusWindow` focused
// (the application's active window is already unset by then): nullptr unless that is the window
// of `closing`, a window or a dialog, and its opener shows and is not minimised.
QWidget* kx_openerTakingKeys(const QWidget* closing, const QWindow* focusWindow);
// How long after a window closes keys that a window manager puts on a window the opener is
// transient for are fetched back to the opener (once): some make their own choice after the
// application's request.
inline constexpr double kx_openerKeysMoment = 0.5;
// From now on, every window of the application that closes while it holds the keys hands them to
// its opener as kx_openerTakingKeys says. Once is enough; later calls do nothing.
void kx_handKeysBackToOpeners();
