#pragma once

#include <optional>

// A colour of the palette: red, green, blue and alpha from 0 to 1, free of any drawing library so
// that code without widgets can carry it. Views convert it when they paint.
struct KXColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    // Components on the 0-255 scale, alpha on 0-1, as designers hand them over.
    static constexpr KXColor rgb255(int r, int g, int b, double a = 1.0)
    {
        return KXColor{r / 255.0, g / 255.0, b / 255.0, a};
    }

    friend bool operator==(const KXColor&, const KXColor&) = default;
};
