#include "Class/UIKit/KXFrameAccessors.h"

#include <QWidget>

#include <cmath>

namespace {

int toPixels(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

double kx_x(const QWidget& view)
{
    return view.x();
}

void setKx_x(QWidget& view, double x)
{
    view.move(toPixels(x), view.y());
}

void setKx_y(QWidget& view, double y)
{
    view.move(view.x(), toPixels(y));
}

double kx_width(const QWidget& view)
{
    return view.width();
}

void setKx_width(QWidget& view, double width)
{
    view.resize(toPixels(width), view.height());
}

double kx_height(const QWidget& view)
{
    return view.height();
}

void setKx_height(QWidget& view, double height)
{
    view.resize(view.width(), toPixels(height));
}

QSizeF kx_size(const QWidget& view)
{
    return view.size();
}

void setKx_size(QWidget& view, const QSizeF& size)
{
    view.resize(toPixels(size.width()), toPixels(size.height()));
}

double kx_right(const QWidget& view)
{
    return view.x() + view.width();
}

void setKx_right(QWidget& view, double right)
{
    view.resize(toPixels(right - view.x()), view.height());
}

double kx_bottom(const QWidget& view)
{
    return view.y() + view.height();
}

void setKx_bottom(QWidget& view, double bottom)
{
    view.move(view.x(), toPixels(bottom - view.height()));
}
