#pragma once

class QWidget;
class QWindow;

// The keys when a window of ours closes while it holds them: they go back to the window it is
// transient for (its opener), as most window managers hand them. Some hand them to the first
// window of the chain instead (the main window, for a file dialog over a window over it), and
// the opener, left on top, would take no keys until it is clicked. Windows and dialogs only;
// a minimise (a spontaneous hide) moves no keys. GUI thread only.

// The opener that takes the keys when `closing` hides while `focusWindow` holds them (the focused
// window, or the one a pop-up holding them opened over; the application's active window is
// already unset by then): nullptr unless that is the window of `closing`, a window or a dialog,
// and its opener shows and is not minimised.
QWidget* kx_openerTakingKeys(const QWidget* closing, const QWindow* focusWindow);
// From now on, every window of the application that closes while it holds the keys hands them to
// its opener as kx_openerTakingKeys says. A window manager may make its own choice after the
// application's request, however the window was closed (a key, a click, the program): until the
// person's next press or key, or until the window manager makes a window of another program the
// active one, keys it puts on a window the opener is transient for are fetched back to the opener;
// keys that land on another window of it stay there. Once is enough; later calls do nothing.
void kx_handKeysBackToOpeners();
// Asks for the keys for `window`, shown now, and asks again each time it becomes exposed and each
// time the keys land on a window it is transient for, until the person's next press or key or
// until a window of another program becomes the active one (the one active as it is asked for
// aside): a window manager may refuse the first request while another program's window has the
// keys (the program that sent a link, and its dialog), and gives them to the window below once
// that one goes. Only for a window that answers an act of the person's in that other program.
void kx_askForKeys(QWidget* window);
// Gives the keys to `window`, shown now over a window of ours that holds them: a hand-back still
// pending ends, and a window of ours that closes right after (the sign-in window that opened an
// agreement) hands the keys to its opener no more, until the person's next press or key.
void kx_takeKeysWithinClient(QWidget* window);
// Whether a window of the application holds the keys now: as the window manager names the active
// window, else (none named) as the application's focus says.
bool kx_keysWithinClient();
// Shows `window`, one the client opens for the person or by itself (a reply, a timer, a helper
// program that failed). Where `keysWithinClient` (kx_keysWithinClient() asked at the moment the
// client decided to open it), it comes to the front with the keys as kx_takeKeysWithinClient()
// gives them. Otherwise the person is at work in another program: the window shows without taking
// the keys or rising above that program, marked for attention (the task bar shows the mark), and
// takes the keys when the person goes to it.
void kx_showOwnWindow(QWidget* window, bool keysWithinClient);
