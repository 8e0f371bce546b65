#pragma once

#include "Platform/Foundation/Object.h"

#include <QSizeF>

class QPainter;

namespace graphics {
class Image;
}

// Off-screen drawing, in begin → draw → image → end order on one thread. Each thread has its own
// stack of contexts: a begin pushes one and makes it current, the matching end pops it and the one
// below is current again. A context is a premultiplied ARGB32 canvas (RGB32 when opaque), cleared
// to transparent (black when opaque), drawn through a QPainter whose coordinates are points: one
// point is `scale` pixels, y grows downwards.
//
// A begin that cannot make a canvas (a size that rounds to no pixels, or one the decoders' limits
// would refuse) still pushes an entry, with no painter and no image, so that its end pops that entry
// and never the caller's context.

// Scale 0 means the main screen's scale. The canvas is ceil(width × scale) × ceil(height × scale).
void ILBitmapContextBegin(QSizeF size, bool opaque, double scale);
// Not opaque, scale 1.
void ILBitmapContextBeginDefault(QSizeF size);
// Pops this thread's top context; nothing when there is none.
void ILBitmapContextEnd();
// The painter of this thread's current context; nullptr when there is none or its begin failed.
QPainter* ILBitmapContextCurrent();
// A copy of the current canvas as an image at the scale given to begin (the main screen's when it
// was 0); nil without a current canvas.
foundation::Ref<graphics::Image> ILBitmapContextImage();
