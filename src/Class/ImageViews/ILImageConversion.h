#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

class KXImage;

// The widget kit's images and the loader's images, converted both ways: the pixels at their scale
// (the kit's device pixel ratio is the image's scale). Stretch insets do not carry over. Nil and
// null give nil and null. Main thread only (KXImage is a GUI-thread type).
ILImageRef il_imageFromKXImage(const KXImage& image);
KXImage il_kxImage(const ILImageRef& image);
