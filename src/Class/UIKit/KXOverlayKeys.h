#pragma once

#include <functional>

class QAbstractButton;
class QWidget;

// The keys of an overlay (a panel laid over a page) or of a transient window that has a cancel or
// close control. Escape does exactly what that control does (a click on it), and Return or Enter
// what the confirm control does, when one is given; a disabled control does nothing. Other keys
// that reach the overlay unhandled by its controls stop there.
//
// An overlay inside a window takes the keys when it shows, unless one of its own widgets already
// has them, so nothing behind it (a list under a dimmed window) reacts to keys; when it goes while
// it holds the keys, they go back to the widget that had them before, when that one still shows.
// The window's minimise and restore, which hide and show it spontaneously, move no keys.
// A window given no cancel control closes on Escape, as its frame's close button does.
//
// The controls are held weakly; the key handling lives as long as the overlay. GUI thread only.
void kx_setOverlayKeys(QWidget* overlay, QAbstractButton* cancel, QAbstractButton* confirm = nullptr);
// The same for an overlay whose close is no one control (a click beside it, a control that comes
// and goes with its pages): Escape runs `close`.
void kx_setOverlayKeys(QWidget* overlay, std::function<void()> close);

// Where the keys go when `widget` (a child of a window) goes while it holds them: to the widget
// that had them before it took them (kx_setOverlayKeys, kx_takeKeys), when that one still shows,
// else to `fallback` (a page's main list), when that one shows. GUI thread only.
void kx_giveKeysBackTo(QWidget* widget, QWidget* fallback);
// `widget` takes the keys now, and gives them back when it goes as kx_giveKeysBackTo says.
void kx_takeKeys(QWidget* widget, QWidget* fallback = nullptr);
