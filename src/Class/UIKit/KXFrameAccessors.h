#pragma once

#include <QSizeF>

class QWidget;

// Read or change one part of a widget's geometry (in its parent's coordinates) in one call.
// Qt's y axis points down, so kx_bottom is the visible lower edge.
double kx_x(const QWidget& view);
void setKx_x(QWidget& view, double x);
void setKx_y(QWidget& view, double y);
double kx_width(const QWidget& view);
void setKx_width(QWidget& view, double width);
double kx_height(const QWidget& view);
void setKx_height(QWidget& view, double height);
QSizeF kx_size(const QWidget& view);
void setKx_size(QWidget& view, const QSizeF& size);
// x + width.
double kx_right(const QWidget& view);
// Resizes: the width becomes `right` - x.
void setKx_right(QWidget& view, double right);
// y + height.
double kx_bottom(const QWidget& view);
// Moves: y becomes `bottom` - height.
void setKx_bottom(QWidget& view, double bottom);
