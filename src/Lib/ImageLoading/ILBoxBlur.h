#pragma once

#include <QImage>

// The box size and pass count that approximate a Gaussian blur of `pixelRadius`: an odd box of
// about ⌊(r·3·√(2π)/4 + 0.5) / 2⌋ pixels (radii up to 2 taken as 2), run once below r 0.5, twice
// below 1.5, else three times.
struct ILBoxBlurPlan {
    int boxSize;
    int passes;
};
ILBoxBlurPlan ILBoxBlurPlanForRadius(double pixelRadius);

// Runs `plan` over a copy of `image` in premultiplied ARGB32: each pass averages every pixel over the
// box around it, a row of the box and then a column, each rounded, with pixels past the edges
// repeating the edge. The result keeps
// the image's device pixel ratio. Thread-safe (no shared state).
QImage ILBoxBlurImage(const QImage& image, ILBoxBlurPlan plan);
