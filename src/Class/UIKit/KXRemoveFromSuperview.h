#pragma once

class QWidget;

// Takes a view out of its superview at once: it is hidden and detached, so the superview's
// children no longer list it, and deleted on a later turn of the event loop, unless a holder
// keeps it (a property that owns the view for reuse, marked with kx_setKeptByHolder). Holders
// of views they do not own keep a QPointer. Safe to call from the view's own handlers. GUI
// thread only.
void kx_removeFromSuperview(QWidget* view);

// Whether the view, or a superview of it, was taken out of its superview and not put back: it no
// longer stands in a window, even before it is deleted.
bool kx_isRemovedFromSuperview(const QWidget* view);

// Marks a view as owned by a holder that reuses it: removing it only detaches it.
void kx_setKeptByHolder(QWidget* view, bool kept);
bool kx_isKeptByHolder(const QWidget* view);
