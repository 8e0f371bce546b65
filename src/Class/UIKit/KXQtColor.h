#pragma once

#include "Class/Theme/KXColor.h"

#include <QColor>

#include <optional>

// A palette colour for painting; nil gives an invalid QColor, which widgets treat as "no colour".
inline QColor kx_qcolor(const std::optional<KXColor>& color)
{
    if (!color)
        return {};
    return QColor::fromRgbF(static_cast<float>(color->red), static_cast<float>(color->green),
                            static_cast<float>(color->blue), static_cast<float>(color->alpha));
}
