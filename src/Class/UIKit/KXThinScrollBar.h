#pragma once

class QColor;
class QScrollBar;

// Styles a vertical scroll bar as a thin rounded handle of `width` pixels in `handle`'s colour,
// with no arrows and no track, so it can lie over a page's margin instead of taking room beside
// the content.
void kx_styleThinScrollBar(QScrollBar* bar, int width, const QColor& handle);
