#pragma once

#include <QColor>

#include <optional>

class QScrollBar;

// Styles a vertical scroll bar as a thin rounded handle of `width` pixels in `handle`'s colour,
// with no arrows, so it can lie over a page's margin instead of taking room beside the content.
// The track is transparent, or a rounded groove of `track`'s colour, which shows how much of the
// content the handle stands for.
void kx_styleThinScrollBar(QScrollBar* bar, int width, const QColor& handle, std::optional<QColor> track = std::nullopt);
