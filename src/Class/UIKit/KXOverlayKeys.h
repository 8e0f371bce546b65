#pragma once

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
// A window given no cancel control closes on Escape, as its frame's close button does.
//
// The controls are held weakly; the key handling lives as long as the overlay. GUI thread only.
void kx_setOverlayKeys(QWidget* overlay, QAbstractButton* cancel, QAbstractButton* confirm = nullptr);
